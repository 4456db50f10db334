#include "effect/parameters.h"

#include "dsp/band_equalizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sorrel {

namespace {

constexpr ParameterInfo gain(const char *symbol, const char *vstName, const char *longName, const char *caption) {
    return {symbol, vstName, "dB", longName, "dB", caption, ParameterKind::Gain, 0.5f, -12.f, 12.f};
}

} // namespace

const ParameterInfo kParameters[kNumParameters] = {
    gain("in_gain", "In gain", "Input gain", "In"),
    {"q", "Q", "", "Bandwidth (Q)", "", "Q", ParameterKind::Amount, 0.5f, 0.f, 1.f},
    gain("band_20hz", "20Hz", "20 Hz", "20"),
    gain("band_25hz", "25Hz", "25 Hz", "25"),
    gain("band_30hz", "30Hz", "30 Hz", "30"),
    gain("band_35hz", "35Hz", "35 Hz", "35"),
    gain("band_40hz", "40Hz", "40 Hz", "40"),
    gain("band_50hz", "50Hz", "50 Hz", "50"),
    gain("band_60hz", "60Hz", "60 Hz", "60"),
    gain("band_70hz", "70Hz", "70 Hz", "70"),
    gain("band_85hz", "85Hz", "85 Hz", "85"),
    gain("band_100hz", "100Hz", "100 Hz", "100"),
    gain("band_125hz", "125Hz", "125 Hz", "125"),
    gain("band_150hz", "150Hz", "150 Hz", "150"),
    gain("band_175hz", "175Hz", "175 Hz", "175"),
    gain("band_210hz", "210Hz", "210 Hz", "210"),
    gain("band_250hz", "250Hz", "250 Hz", "250"),
    gain("band_300hz", "300Hz", "300 Hz", "300"),
    gain("band_360hz", "360Hz", "360 Hz", "360"),
    gain("band_440hz", "440Hz", "440 Hz", "440"),
    gain("band_580hz", "580Hz", "580 Hz", "580"),
    gain("band_780hz", "780Hz", "780 Hz", "780"),
    gain("band_1khz", "1kHz", "1 kHz", "1k"),
    gain("band_1k4hz", "1.4kHz", "1.4 kHz", "1.4k"),
    gain("band_1k8hz", "1.8kHz", "1.8 kHz", "1.8k"),
    gain("band_2k5hz", "2.5kHz", "2.5 kHz", "2.5k"),
    gain("band_3k3hz", "3.3kHz", "3.3 kHz", "3.3k"),
    gain("band_4k4hz", "4.4kHz", "4.4 kHz", "4.4k"),
    gain("band_5k8hz", "5.8kHz", "5.8 kHz", "5.8k"),
    gain("band_7k8hz", "7.8kHz", "7.8 kHz", "7.8k"),
    gain("band_10khz", "10kHz", "10 kHz", "10k"),
    gain("band_14khz", "14kHz", "14 kHz", "14k"),
    gain("band_19khz", "19kHz", "19 kHz", "19k"),
    gain("out_gain", "Out gain", "Output gain", "Out"),
    {"meters_in", nullptr, nullptr, "Meters before band gain", "", "In", ParameterKind::Switch, 1.f, 0.f, 1.f},
    {"meters_out", nullptr, nullptr, "Meters after band gain", "", "Out", ParameterKind::Switch, 1.f, 0.f, 1.f},
    {"response", "Response", "", "Response", "", "Response", ParameterKind::Switch, 0.f, 0.f, 1.f, "Classic", "True"},
};

const ParameterInfo *parameterInfo(int32_t index) {
    return index >= 0 && index < kNumParameters ? &kParameters[index] : nullptr;
}

float toReadable(int32_t index, float normalised) {
    const ParameterInfo *info = parameterInfo(index);
    if (!info)
        return 0.f;
    if (std::isnan(normalised))
        normalised = info->defaultValue;
    normalised = std::clamp(normalised, 0.f, 1.f);
    if (info->kind == ParameterKind::Gain)
        return normalizedToDb(normalised);
    return info->minimum + normalised * (info->maximum - info->minimum);
}

float fromReadable(int32_t index, float readable) {
    const ParameterInfo *info = parameterInfo(index);
    if (!info)
        return 0.f;
    if (std::isnan(readable))
        return info->defaultValue;
    float normalised;
    if (info->kind == ParameterKind::Gain)
        normalised = static_cast<float>(static_cast<double>(readable) / 24.0 + 0.5);
    else if (info->kind == ParameterKind::Switch)
        normalised = readable >= 0.5f ? 1.f : 0.f;
    else
        normalised = (readable - info->minimum) / (info->maximum - info->minimum);
    return std::clamp(normalised, 0.f, 1.f);
}

namespace {

// Appends to a bounded buffer; drops what does not fit but keeps the
// terminator.
struct TextOut {
    char *text;
    size_t size;
    size_t used = 0;

    void put(char c) {
        if (used + 1 < size)
            text[used++] = c;
        text[used] = 0;
    }
    void put(const char *s) {
        while (*s)
            put(*s++);
    }
};

// value with a fixed number of decimals, rounded half away from zero, and
// never "-0.0": a value that rounds to zero is zero.
void putFixed(TextOut &out, double value, int decimals) {
    double scale = 1.0;
    for (int i = 0; i < decimals; ++i)
        scale *= 10.0;
    const long long units = std::llround(std::fabs(value) * scale);
    if (value < 0 && units != 0)
        out.put('-');
    char digits[24];
    int count = 0;
    long long rest = units;
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0 || count <= decimals);
    while (count > 0) {
        if (count == decimals)
            out.put('.');
        out.put(digits[--count]);
    }
}

// ASCII only: the C library's lower case follows the host's locale.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The length characters at text are word, in any case.
bool sameLetters(const char *text, size_t length, const char *word) {
    if (std::strlen(word) != length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (lower(text[i]) != lower(word[i]))
            return false;
    return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A decimal number with an optional sign and a point or comma, read without
// the C locale. Moves text past it; false where no digit comes.
bool readNumber(const char *&text, double &value) {
    const char *p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    } else if (std::strncmp(p, "\xE2\x88\x92", 3) == 0) { // the typographic minus
        negative = true;
        p += 3;
    }
    double result = 0.0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
        result = result * 10.0 + (*p++ - '0');
        ++digits;
    }
    if (*p == '.' || *p == ',') {
        ++p;
        double place = 0.1;
        while (*p >= '0' && *p <= '9') {
            result += (*p++ - '0') * place;
            place *= 0.1;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    value = negative ? -result : result;
    text = p;
    return true;
}

} // namespace

void formatReadable(int32_t index, float normalised, char *text, size_t size) {
    const ParameterInfo *info = parameterInfo(index);
    if (info == nullptr || text == nullptr || size == 0)
        return;
    TextOut out{text, size};
    out.put("");
    const float readable = toReadable(index, normalised);
    switch (info->kind) {
    case ParameterKind::Gain:
        putFixed(out, readable, 1);
        out.put(" ");
        out.put(info->unit);
        break;
    case ParameterKind::Amount:
        out.put(info->caption);
        out.put(" ");
        putFixed(out, readable, 2);
        break;
    case ParameterKind::Switch:
        out.put(readable >= 0.5f ? (info->onText ? info->onText : "On") : (info->offText ? info->offText : "Off"));
        break;
    }
}

bool parseReadable(int32_t index, const char *text, float &normalised) {
    const ParameterInfo *info = parameterInfo(index);
    if (info == nullptr || text == nullptr)
        return false;
    const char *p = text;
    while (isSpace(*p))
        ++p;
    const char *end = p + std::strlen(p);
    while (end > p && isSpace(end[-1]))
        --end;
    const size_t length = static_cast<size_t>(end - p);

    if (info->kind == ParameterKind::Switch) {
        const char *const words[4] = {"on", "off", info->onText, info->offText};
        for (int w = 0; w < 4; ++w)
            if (words[w] != nullptr && length == std::strlen(words[w]) && sameLetters(p, length, words[w])) {
                normalised = w % 2 == 0 ? 1.f : 0.f;
                return true;
            }
    }
    // The caption may lead, as the readout shows it ("Q 0.70").
    if (info->kind == ParameterKind::Amount) {
        const size_t captionLength = std::strlen(info->caption);
        if (captionLength < length && sameLetters(p, captionLength, info->caption)) {
            p += captionLength;
            while (isSpace(*p))
                ++p;
        }
    }
    double value = 0.0;
    if (!readNumber(p, value))
        return false;
    // Stops at the end found above: the blanks behind it were trimmed.
    while (p < end && isSpace(*p))
        ++p;
    // Only the parameter's own unit may follow.
    if (p != end && (info->unit[0] == 0 || !sameLetters(p, static_cast<size_t>(end - p), info->unit)))
        return false;
    // Far beyond any range: clamp before the float conversion, so a
    // hundred-digit number is the range's end and not an infinity.
    value = std::clamp(value, -1.0e6, 1.0e6);
    normalised = fromReadable(index, static_cast<float>(value));
    return true;
}

} // namespace sorrel

#include "tools/hostlib/plot.h"

#include "gui/raster/raster.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/png.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>


namespace sorrel::tool {

namespace {

using raster::Align;
using raster::Canvas;
using raster::Pixel;
using raster::Rect;
using raster::rgb;

constexpr int kWidth = 900;
constexpr int kHeight = 520;
constexpr int kLeft = 64, kRight = 24, kTop = 48, kBottom = 56;
constexpr double kLowHz = 10.0, kHighHz = 24000.0;

const Pixel kChannelColors[] = {rgb(0x1f, 0x5f, 0xbf), rgb(0xd0, 0x3a, 0x2a), rgb(0x2a, 0x9d, 0x4a),
                                 rgb(0xe0, 0x8a, 0x10), rgb(0x7a, 0x3f, 0xb0), rgb(0x20, 0x9a, 0xa0)};

struct Axes {
    Rect area;
    double dbTop, dbBottom;

    int x(double hz) const {
        const double t = (std::log10(hz) - std::log10(kLowHz)) / (std::log10(kHighHz) - std::log10(kLowHz));
        return area.left + static_cast<int>(std::lround(t * (area.width() - 1)));
    }
    int y(double db) const {
        const double t = (dbTop - db) / (dbTop - dbBottom);
        return area.top + static_cast<int>(std::lround(t * (area.height() - 1)));
    }
    double hzAt(int px) const {
        const double t = static_cast<double>(px - area.left) / (area.width() - 1);
        return std::pow(10.0, std::log10(kLowHz) + t * (std::log10(kHighHz) - std::log10(kLowHz)));
    }
};

void line(Canvas &c, int x0, int y0, int x1, int y1) {
    c.moveTo({x0, y0});
    c.lineTo({x1, y1});
}

raster::Font font(int height, bool bold = false) {
    raster::FontSpec spec;
    spec.height = height;
    spec.bold = bold;
    return raster::Font(spec);
}

bool sameCurve(const std::vector<double> &a, const std::vector<double> &b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 1e-9 * (1 + std::fabs(a[i])))
            return false;
    return true;
}

std::string dbLabel(double db) {
    char t[16];
    std::snprintf(t, sizeof t, db > 0 ? "+%g" : "%g", db);
    return t;
}

} // namespace

std::string writeResponsePlot(const std::string &path, const Response &response, const std::string &title) {
    // Channels with the same response share one curve and one legend entry.
    std::vector<std::vector<int>> groups;
    for (int ch = 0; ch < response.numChannels(); ++ch) {
        bool placed = false;
        for (auto &g : groups) {
            if (sameCurve(response.bins[static_cast<size_t>(g.front())],
                          response.bins[static_cast<size_t>(ch)])) {
                g.push_back(ch);
                placed = true;
                break;
            }
        }
        if (!placed)
            groups.push_back({ch});
    }

    // The dB range: whole multiples of 6 around what the curves reach in the
    // audible band (the dip at half the sample rate would swamp it), at
    // least -12..+12 and at most 96 dB tall.
    double lo = 0, hi = 0;
    const double nyquist = response.sampleRate / 2.0;
    for (int ch = 0; ch < response.numChannels(); ++ch) {
        for (double f = kLowHz; f <= std::min(20000.0, 0.9 * nyquist); f *= 1.01) {
            const double db = toDb(response.at(ch, f));
            if (std::isfinite(db)) {
                lo = std::min(lo, db);
                hi = std::max(hi, db);
            }
        }
    }
    Axes axes;
    axes.area = {kLeft, kTop, kWidth - kRight, kHeight - kBottom};
    axes.dbTop = std::max(12.0, std::ceil((hi + 1) / 6) * 6);
    axes.dbBottom = std::max(axes.dbTop - 96, std::min(-12.0, std::floor((lo - 1) / 6) * 6));
    const double dbStep = axes.dbTop - axes.dbBottom > 48 ? 12 : 6;

    raster::Surface surface(kWidth, kHeight, rgb(255, 255, 255));
    Canvas c(&surface);
    c.setBrush(rgb(0xfa, 0xfa, 0xfa));
    c.fillRect(axes.area);

    // Grid: every 1..9 of each decade lightly, decades darker; dB steps.
    const Pixel minor = rgb(0xe4, 0xe4, 0xe4), major = rgb(0xb0, 0xb0, 0xb0);
    for (double decade = 10; decade < kHighHz; decade *= 10) {
        for (int m = 1; m < 10; ++m) {
            const double f = decade * m;
            if (f > kHighHz)
                break;
            c.setPen({m == 1 ? major : minor, 1, raster::LineStyle::Solid});
            line(c, axes.x(f), axes.area.top, axes.x(f), axes.area.bottom);
        }
    }
    for (double db = axes.dbBottom; db <= axes.dbTop + 1e-9; db += dbStep) {
        c.setPen({db == 0 ? rgb(0x80, 0x80, 0x80) : major, 1, raster::LineStyle::Solid});
        line(c, axes.area.left, axes.y(db), axes.area.right, axes.y(db));
    }
    c.setPen({rgb(0x40, 0x40, 0x40), 1, raster::LineStyle::Solid});
    c.moveTo({axes.area.left, axes.area.top});
    c.lineTo({axes.area.right - 1, axes.area.top});
    c.lineTo({axes.area.right - 1, axes.area.bottom - 1});
    c.lineTo({axes.area.left, axes.area.bottom - 1});
    c.lineTo({axes.area.left, axes.area.top});

    // Labels.
    c.setTextColor(rgb(0x30, 0x30, 0x30));
    c.setFont(font(12));
    const struct {
        double hz;
        const char *text;
    } decades[] = {{10, "10"}, {100, "100"}, {1000, "1k"}, {10000, "10k"}};
    for (const auto &d : decades) {
        const int x = axes.x(d.hz);
        c.drawText(d.text, {x - 30, axes.area.bottom + 4, x + 30, axes.area.bottom + 20}, Align::Center);
    }
    c.drawText("frequency (Hz)", {axes.area.left, kHeight - 24, axes.area.right, kHeight - 6}, Align::Center);
    for (double db = axes.dbBottom; db <= axes.dbTop + 1e-9; db += dbStep) {
        const int y = axes.y(db);
        c.drawText(dbLabel(db).c_str(), {4, y - 8, axes.area.left - 6, y + 8}, Align::Right);
    }
    c.drawText("dB", {4, kTop - 22, axes.area.left - 6, kTop - 6}, Align::Right);
    c.setFont(font(16, true));
    c.setTextColor(rgb(0x10, 0x10, 0x10));
    c.drawText(title.c_str(), {kLeft, 8, kWidth - kRight, kTop - 10}, Align::Center);

    // Curves, clipped to the plot area; later channels over earlier ones.
    c.setClip(axes.area);
    const int lastX = std::min(axes.area.right - 1, axes.x(std::min(kHighHz, nyquist)));
    for (size_t gi = 0; gi < groups.size(); ++gi) {
        const int ch = groups[gi].front();
        c.setPen({kChannelColors[gi % 6], 2, raster::LineStyle::Solid});
        bool started = false;
        for (int px = axes.area.left; px <= lastX; ++px) {
            double db = toDb(response.at(ch, axes.hzAt(px)));
            if (!std::isfinite(db))
                db = axes.dbBottom - 10;
            db = std::max(axes.dbBottom - 10, std::min(axes.dbTop + 10, db));
            const raster::Point p{px, axes.y(db)};
            if (!started)
                c.moveTo(p);
            else
                c.lineTo(p);
            started = true;
        }
    }
    c.resetClip();

    // Legend, top right inside the plot.
    c.setFont(font(12));
    const int rows = static_cast<int>(groups.size());
    const Rect box{axes.area.right - 150, axes.area.top + 8, axes.area.right - 8,
                   axes.area.top + 12 + rows * 18};
    c.setBrush(rgb(255, 255, 255));
    c.fillRect(box);
    for (int row = 0; row < rows; ++row) {
        const int y = box.top + 4 + row * 18;
        c.setBrush(kChannelColors[row % 6]);
        c.fillRect({box.left + 8, y + 6, box.left + 30, y + 9});
        c.setTextColor(rgb(0x30, 0x30, 0x30));
        const std::vector<int> &g = groups[static_cast<size_t>(row)];
        std::string name = g.size() == 1 ? "output " : "outputs ";
        for (size_t k = 0; k < g.size(); ++k)
            name += (k == 0 ? "" : k + 1 == g.size() ? " and " : ", ") + std::to_string(g[k] + 1);
        c.drawText(name.c_str(), {box.left + 36, y, box.right - 4, y + 16}, Align::Left);
    }

    return writePngFile(path, surface);
}

} // namespace sorrel::tool

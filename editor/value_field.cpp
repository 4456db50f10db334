#include "editor/value_field.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>
#include <cstring>

namespace sorrel {

ValueField::ValueField(Client *inClient) : client(inClient) {}

void ValueField::open(int32_t newTag, const CRect &where, const char *initial) {
    tag = newTag;
    length = initial ? std::min(std::strlen(initial), kMaxText) : 0;
    std::memcpy(text, initial ? initial : "", length);
    text[length] = 0;
    selected = true;
    refused = false;
    place(where);
}

void ValueField::close() {
    tag = -1;
    hide();
}

char ValueField::typedCharacter(const CKeyCode &key) {
    if (key.virt >= VirtualKeyNumpad0 && key.virt <= VirtualKeyNumpad0 + 9)
        return static_cast<char>('0' + (key.virt - VirtualKeyNumpad0));
    if (key.virt == VirtualKeySubtract)
        return '-';
    if (key.virt == VirtualKeyDecimal)
        return '.';
    if (key.virt == VirtualKeySpace)
        return ' ';
    if (key.virt == 0 && key.character >= 0x20 && key.character < 0x7F)
        return static_cast<char>(key.character);
    return 0;
}

int32_t ValueField::onKeyDown(CKeyCode &key) {
    if (!isOpen())
        return -1;
    switch (key.virt) {
    case VirtualKeyReturn:
    case VirtualKeyEnter: {
        const int32_t target = tag;
        if (client && client->valueTyped(target, text))
            return 1; // the client closed the field, and may be gone
        refused = true;
        setDirty(true);
        return 1;
    }
    case VirtualKeyEscape:
    case VirtualKeyTab: {
        const int32_t target = tag;
        close();
        if (client)
            client->valueEntryCancelled(target);
        // Tab goes on to move the focus on from the fader.
        return key.virt == VirtualKeyTab ? -1 : 1;
    }
    case VirtualKeyBack:
        if (selected || refused)
            length = 0;
        else if (length > 0)
            --length;
        break;
    case VirtualKeyDelete:
        length = 0;
        break;
    default: {
        const char c = typedCharacter(key);
        if (c == 0)
            return -1;
        if (selected || refused)
            length = 0;
        if (length < kMaxText)
            text[length++] = c;
        break;
    }
    }
    text[length] = 0;
    selected = false;
    refused = false;
    setDirty(true);
    return 1;
}

int32_t ValueField::onKeyUp(CKeyCode &key) {
    // Keys typed here are not the host's shortcuts.
    return isOpen() && key.virt != VirtualKeyTab ? 1 : -1;
}

void ValueField::loseFocus(CDrawContext *context) {
    if (isOpen())
        close();
    OverlayView::loseFocus(context);
}

void ValueField::draw(CDrawContext *context) {
    if (context && isShown()) {
        // Only inside the shown rectangle, the area the frame redraws where
        // the label was: a row below it would stay on the screen after a move.
        context->setFillColor(PlainBlack);
        context->fillRect(shownRect);
        const CRect edge(shownRect.left + 1, shownRect.top + 1, shownRect.right, shownRect.bottom);
        context->setFrameColor(refused ? levelColor(1.f) : WhiteColor);
        context->drawRect(edge);
        context->setFont(VerySmallFont, 9, 0);
        CRect line = shownRect;
        line.inset(3, 0);
        if (refused) {
            context->setFontColor(levelColor(1.f));
            context->drawString("not a value", line, false, AlignLeft);
        } else {
            const int32_t width = context->getStringWidth(text);
            if (selected && length > 0) {
                context->setFillColor(HandleRingGrey);
                context->fillRect(CRect(line.left, shownRect.top + 2, line.left + width + 1, shownRect.bottom - 1));
            } else {
                // The caret after the text.
                const int32_t x = line.left + width + 1;
                context->setFrameColor(WhiteColor);
                context->moveTo(CPoint(x, shownRect.top + 3));
                context->lineTo(CPoint(x, shownRect.bottom - 3));
            }
            context->setFontColor(WhiteColor);
            context->drawString(text, line, false, AlignLeft);
        }
    }
    setDirty(false);
}

} // namespace sorrel

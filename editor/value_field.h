// The small field a value is typed into, opened beside a fader. It shows
// the current value selected, so the first key typed replaces it; Enter
// hands the text to its client, Escape or losing the focus (a click
// elsewhere, Tab) closes it with nothing changed. A text the client refuses
// stays in the field, which says "not a value" until the next key.
#pragma once

#include "editor/overlay_view.h"

namespace sorrel {

class ValueField : public OverlayView {
  public:
    class Client {
      public:
        // Enter: true when text named a value and the client took it (the
        // client closes the field first; it may be gone on return).
        virtual bool valueTyped(int32_t tag, const char *text) = 0;
        // Escape or Tab: the field has closed.
        virtual void valueEntryCancelled(int32_t tag) = 0;

      protected:
        ~Client() = default;
    };

    static constexpr int32_t kWidth = 50;
    static constexpr int32_t kHeight = 13;
    static constexpr size_t kMaxText = 24;

    explicit ValueField(Client *client);

    void open(int32_t tag, const CRect &where, const char *text);
    void close();
    bool isOpen() const { return tag >= 0; }
    int32_t getTargetTag() const { return tag; }
    const char *getText() const { return text; }
    bool isRefused() const { return refused; }

    bool getWantsFocus() const override { return isOpen(); }
    int32_t onKeyDown(CKeyCode &key) override;
    int32_t onKeyUp(CKeyCode &key) override;
    void loseFocus(CDrawContext *context) override;
    void draw(CDrawContext *context) override;

  private:
    // The character a key types, or 0.
    static char typedCharacter(const CKeyCode &key);

    Client *client;
    int32_t tag = -1;
    char text[kMaxText + 1] = {};
    size_t length = 0;
    // The text is the value the field opened with, shown selected.
    bool selected = false;
    bool refused = false;
};

} // namespace sorrel

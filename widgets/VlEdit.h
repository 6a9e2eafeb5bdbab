// The kit's edit fields: VlEditTx for text, VlEditNo for a signed 32-bit
// integer. Both draw light grey text without a background by default and
// carry a private copy of the default edit style.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QLineEdit>
#include <QString>

#include <cstdint>
#include <optional>

// Colours of an edit field (0x00BBGGRR).
struct VlEditStyle {
    Color text = 0;
    Color paper = 0xFFFFFF;
    Color selectedText = 0xFFFFFF;
    Color selection = 0;
    Color disabledText = 0x808080;

    // The default edit-field style in the system colours of now.
    static VlEditStyle Default();
};

// Shared part of the two edit fields.
class VlEditBase : public QLineEdit {
    Q_OBJECT
public:
    explicit VlEditBase(QWidget *parent = nullptr);
    ~VlEditBase() override;

    VlDesignRect designRect;
    Color ownTextColor = 0xC0C0C0;
    bool noBackgroundFlag = true;   // own no-background flag
    VlEditStyle ownStyle;

    // own text colour and own style's text colour := text; own flag :=
    // noBackground; installs the own style; the no-background option :=
    // noBackground; transparent.
    void SetColors(Color text, bool noBackground);

    void InstallOwnStyle();
    // The default style (ApplySystemColors, ApplySkinColors).
    void InstallDefaultStyle();
    bool IsOwnStyleInstalled() const { return ownInstalled; }
    const VlEditStyle &InstalledStyle() const { return installed; }

    // No background: no paper is painted.
    void SetNoBackground(bool on);
    bool IsNoBackground() const { return noBackground; }
    void SetTransparent(bool on);
    bool IsTransparent() const { return transparent; }
    void SetFrame(VlFrame frame);

signals:
    // The user changed the text (typing, paste, drop); never for setText.
    void action();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void install(const VlEditStyle &style, bool own);
    void restyle();

    VlEditStyle installed;
    bool ownInstalled = true;
    bool noBackground = true;
    bool transparent = true;
};

class VlEditTx : public VlEditBase {
    Q_OBJECT
public:
    explicit VlEditTx(QWidget *parent = nullptr);
};

// An integer field, -2147483647 to 2147483647, empty allowed. Only tab,
// space, "-", digits, backspace, left, right and delete reach the field;
// pasted or dropped text with any other character is refused whole.
class VlEditNo : public VlEditBase {
    Q_OBJECT
public:
    explicit VlEditNo(QWidget *parent = nullptr);

    static constexpr int32_t MinValue = -2147483647;
    static constexpr int32_t MaxValue = 2147483647;

    // The value; empty text and any text that is not an integer in range
    // (surrounding spaces and tabs aside) read as null.
    std::optional<int32_t> GetInt() const;
    bool IsNull() const { return !GetInt().has_value(); }
    void SetInt(std::optional<int32_t> value);   // null clears the field

    // Parse as the field reads its text.
    static std::optional<int32_t> Parse(const QString &text);
    // Whether the key filter passes this character.
    static bool CharPasses(QChar c);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
};

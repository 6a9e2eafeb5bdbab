// Menu building: the bar interface the menu members fill, its two makers
// (Qt's menu bar and menus, and our own two-column popup), and the popup.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class QMenuBar;

// What a menu member fills: entries, separators, a new column, sub-menus.
class VlBar {
public:
    virtual ~VlBar() = default;
    virtual void Add(const QString &text, std::function<void()> action) = 0;
    virtual void Separator() = 0;
    // Starts a new column (menus that cannot make one ignore it).
    virtual void Break() = 0;
    virtual void Sub(const QString &text, std::function<void(VlBar &)> build) = 0;
};

// Fills a QMenuBar or a QMenu. Entries get no accelerators: an "&" in a
// text is shown as it is. Sub-menus take the font of the bar or menu they
// hang from (also when it is set after filling).
class VlQtBar : public VlBar {
public:
    explicit VlQtBar(QMenuBar *bar);
    explicit VlQtBar(QMenu *menu);
    void Add(const QString &text, std::function<void()> action) override;
    void Separator() override;
    void Break() override {}
    void Sub(const QString &text, std::function<void(VlBar &)> build) override;

private:
    QMenuBar *bar = nullptr;
    QMenu *menu = nullptr;
};

// A popup menu of the kit whose columns are split by Break (the game's
// context menu).
// Execute shows it and returns when an entry was chosen (its action runs
// after the popup has closed) or it was dismissed.
class VlPopupMenu : public QWidget, public VlBar {
    Q_OBJECT
public:
    VlPopupMenu();
    ~VlPopupMenu() override;

    void Add(const QString &text, std::function<void()> action) override;
    void Separator() override;
    void Break() override;
    void Sub(const QString &text, std::function<void(VlBar &)> build) override;

    // Runs the popup at a global position (kept on the screen); true when
    // an entry was chosen and its action ran.
    bool Execute(const QPoint &globalPos);

    // What was added: per column, the entry texts ("" for a separator).
    std::vector<std::vector<QString>> Columns() const;
    // Tests: the entry with that text, null when none.
    QWidget *EntryWidget(const QString &text) const;

    // The menu that Execute runs at the moment, or null (tests).
    static VlPopupMenu *Running();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Entry {
        QString text;
        std::function<void()> action;
        QWidget *widget = nullptr;
    };
    void BuildWidgets();
    void Choose(int column, int index);

    std::vector<std::vector<Entry>> columns;
    std::function<void()> chosen;
    bool done = false;
};

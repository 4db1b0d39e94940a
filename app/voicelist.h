#pragma once

#include <QListWidget>

// Light red: the list that has the keyboard focus.
inline const QColor FocusBackColor(255, 192, 192);

// One member of the Voices array: a plain single-selection list whose rows
// are all one fixed height, so that a list sized for its entries shows
// every one of them without a scroll bar. It reports the events that the
// window's Voices_ handlers take; the window knows which member it is.
class VoiceList : public QListWidget
{
    Q_OBJECT

public:
    static constexpr int RowHeight = 13;
    // The character code KeyPress reports for Enter, on the main keyboard
    // or the keypad.
    static constexpr int EnterKeyAscii = 13;

    explicit VoiceList(QWidget *parent = nullptr);

    void setBackColor(const QColor &colour);

    // The selected entry's text; empty when nothing is selected.
    QString selectedText() const;

signals:
    // An entry was selected (mouse, arrow or letter keys), or the entry
    // already selected was pressed again.
    void Click();
    void DblClick();
    // A key that types a character, with its code (EnterKeyAscii for Enter).
    void KeyPress(int keyAscii);
    // The focus came or went by the user's doing within the window.
    void GotFocus();
    void LostFocus();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

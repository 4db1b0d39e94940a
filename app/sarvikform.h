#pragma once

#include "catalogue.h"

#include <QWidget>

#include <array>
#include <memory>

class Platform;
class SamplePlayer;
class QCheckBox;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class VoiceList;
class X11Frame;

// The one window. Its controls are public members under the program's
// original names, so that every handler reaches them by name, the lists by
// index in Voices.
class SarvikForm : public QWidget
{
    Q_OBJECT

public:
    // Both must outlive the window; every sample it plays goes to player.
    SarvikForm(Platform &platform, SamplePlayer &player, QWidget *parent = nullptr);
    ~SarvikForm() override;

    // The whole start-up. False when another copy is running: this one
    // must then end without ever showing its window.
    bool load();

    // Stretches SelectFrame to the window's outer width.
    void SetUpDisplay();

    // True once the window has been closed. A handler that runs window
    // events nested inside itself checks this after each round and returns
    // at once, so that the program can end.
    bool isUnloaded() const { return m_unloaded; }

    // Outer (frame) measures in twips, as start-up and the resize rule see
    // the window. Setting a size also fixes it: the user cannot drag it.
    QRectF outerTwips() const;
    void setOuterHeightTwips(float height);
    void setOuterWidthTwips(float width);
    void moveOuterTwips(float left, float top);

    QFrame *SelectFrame;
    QPushButton *ClearButton;
    QPushButton *PlayButton;
    std::array<VoiceList *, VoicesCount> Voices;
    QPlainTextEdit *DirectionsText;
    QCheckBox *PLayOnClick;

    // Handlers of the Voices lists, one set for all seven members.
    void Voices_Click(int index);
    void Voices_DblClick(int index);
    void Voices_KeyPress(int index, int keyAscii);
    void Voices_GotFocus(int index);
    void Voices_LostFocus(int index);
    void ClearButton_Click();
    // Plays the phrase, or asks the phrase that is playing to stop.
    void PlayButton_Click();

    bool IsPlaying = false;
    bool StopRequested = false;
    bool WasMinimized = false;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createFrame();
    void createButtons();
    void createLists();
    void createPhraseBox();
    void createPlayOnClick();
    void describeControls();
    void describeLists();
    void connectLists();
    void connectPlayButton();
    void appendSelected(int index);
    void runResizeRule();
    // Gives the outer window its start-up size and centres it on the screen.
    void sizeAndCentre();
    void fitToFrame();
    // The frame the window system draws around the client area.
    QMargins windowFrame() const;

    Platform &m_platform;
    SamplePlayer &m_player;
    bool m_unloaded = false;
    // From show() until the window is on screen fitted to its frame.
    bool m_fittingToFrame = false;
    std::unique_ptr<X11Frame> m_x11Frame;
};

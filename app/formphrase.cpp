#include "fragments.h"
#include "platform.h"
#include "sampleplayer.h"
#include "sarvikform.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>

void SarvikForm::connectPlayButton()
{
    connect(PlayButton, &QPushButton::clicked, this, &SarvikForm::PlayButton_Click);
}

// Each fragment blocks until its sample has ended; the window's events run
// only between fragments, nested inside this handler. A click on the button
// then comes back in here while the loop is still running further down the
// stack, and can only leave word for it in StopRequested.
void SarvikForm::PlayButton_Click()
{
    if (IsPlaying) {
        StopRequested = true;
        m_platform.beep();
        return;
    }
    PlayButton->setText(tr("Stop"));
    // The first fragment holds the thread before any scheduled paint could
    // run: show the caption now, not after that fragment.
    PlayButton->repaint();
    IsPlaying = true;
    StopRequested = false;

    // Read once: edits made while the phrase plays do not change it.
    const QStringList fragments = phraseFragments(DirectionsText->toPlainText());
    for (const QString &fragment : fragments) {
        m_player.PlaySample(trimSpaces(fragment), SamplePlayer::PlayToEnd);
        QCoreApplication::processEvents();
        // The window was closed meanwhile and the program is ending.
        if (isUnloaded())
            return;
        if (StopRequested)
            break;
    }

    PlayButton->setText(tr("Play"));
    IsPlaying = false;
    StopRequested = false;
}

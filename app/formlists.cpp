#include "phrasetext.h"
#include "sampleplayer.h"
#include "sarvikform.h"
#include "voicelist.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

void SarvikForm::connectLists()
{
    for (int index = 0; index < VoicesCount; ++index) {
        VoiceList *list = Voices[index];
        connect(list, &VoiceList::Click, this, [this, index] { Voices_Click(index); });
        connect(list, &VoiceList::DblClick, this, [this, index] { Voices_DblClick(index); });
        connect(list, &VoiceList::KeyPress, this,
                [this, index](int keyAscii) { Voices_KeyPress(index, keyAscii); });
        connect(list, &VoiceList::GotFocus, this, [this, index] { Voices_GotFocus(index); });
        connect(list, &VoiceList::LostFocus, this, [this, index] { Voices_LostFocus(index); });
    }
    connect(ClearButton, &QPushButton::clicked, this, &SarvikForm::ClearButton_Click);
}

void SarvikForm::Voices_Click(int index)
{
    // Read afresh each time; a greyed box does not count as ticked.
    if (PLayOnClick->checkState() != Qt::Checked)
        return;
    m_player.PlaySample(Voices[index]->selectedText(), SamplePlayer::PlayAsync);
}

void SarvikForm::Voices_DblClick(int index)
{
    appendSelected(index);
}

void SarvikForm::Voices_KeyPress(int index, int keyAscii)
{
    if (keyAscii == VoiceList::EnterKeyAscii)
        appendSelected(index);
}

// Inserted at the end rather than set whole: replacing the document would
// put the caret at the start and wipe what the user can undo.
void SarvikForm::appendSelected(int index)
{
    const QString phrase = DirectionsText->toPlainText();
    const QString appended = appendedToPhrase(phrase, Voices[index]->selectedText());
    Q_ASSERT(appended.startsWith(phrase));
    QTextCursor end(DirectionsText->document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    end.insertText(appended.mid(phrase.size()));
    end.endEditBlock();
    DirectionsText->setTextCursor(end);
}

void SarvikForm::Voices_GotFocus(int index)
{
    Voices[index]->setBackColor(FocusBackColor);
}

void SarvikForm::Voices_LostFocus(int index)
{
    Voices[index]->setBackColor(QApplication::palette().color(QPalette::Base));
}

void SarvikForm::ClearButton_Click()
{
    DirectionsText->clear();
}

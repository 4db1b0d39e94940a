#include "sarvikform.h"
#include "voicelist.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// By member index, after what each list holds.
constexpr std::array<const char *, VoicesCount> AccessibleListNames {
    QT_TRANSLATE_NOOP("SarvikForm", "Turns"),
    QT_TRANSLATE_NOOP("SarvikForm", "Distances"),
    QT_TRANSLATE_NOOP("SarvikForm", "General words"),
    QT_TRANSLATE_NOOP("SarvikForm", "Arrival and departure"),
    QT_TRANSLATE_NOOP("SarvikForm", "Ahead"),
    QT_TRANSLATE_NOOP("SarvikForm", "Motorway"),
    QT_TRANSLATE_NOOP("SarvikForm", "Roundabouts"),
};

} // namespace

// What a screen reader announces. Only assistive technology reads these, so
// the window looks just the same; the tooltips stay as they are.
void SarvikForm::describeControls()
{
    for (int index = 0; index < VoicesCount; ++index)
        Voices[index]->setAccessibleName(tr(AccessibleListNames[index]));
    describeLists();
    connect(PLayOnClick, &QCheckBox::toggled, this, &SarvikForm::describeLists);
    DirectionsText->setAccessibleName(tr("Phrase"));
    DirectionsText->setAccessibleDescription(
        tr("Sample names separated by commas, spoken in order by Play"));
    ClearButton->setAccessibleName(tr("Clear phrase"));
    ClearButton->setAccessibleDescription(tr("Empties the phrase"));
    // Named by its caption, so it is announced as Stop while a phrase plays.
    PlayButton->setAccessibleDescription(
        tr("Speaks the phrase sample by sample; while it plays, stops after the current sample"));
    PLayOnClick->setAccessibleName(tr("Play on click"));
    PLayOnClick->setAccessibleDescription(tr("When ticked, selecting a sample plays it"));
}

// Only a ticked box plays a selection; greyed counts as clear.
void SarvikForm::describeLists()
{
    const QString description = PLayOnClick->checkState() == Qt::Checked
        ? tr("Selecting a sample plays it; Enter or a double-click adds it to the phrase")
        : tr("Enter or a double-click adds the selected sample to the phrase");
    for (VoiceList *list : Voices)
        list->setAccessibleDescription(description);
}

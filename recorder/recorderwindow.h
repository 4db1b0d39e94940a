#pragma once

#include "capturesession.h"
#include "importjob.h"
#include "takefolder.h"
#include "takeview.h"
#include "voicereport.h"
#include "wordscheck.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <memory>
#include <optional>

class AudioOutput;

// The recorder's window: the catalogue's names with the line to say and
// each one's state, the meter, and one line that says what went wrong. The
// states are voice-check's, words and all: the words arrive from a check on
// a thread of its own a moment after the rest.
// Everything is done with keys: R, Esc, Space, P, Ctrl+Z, the arrows;
// a session recorded elsewhere comes in with "Import a recording...".
class RecorderWindow : public QWidget
{
    Q_OBJECT

public:
    RecorderWindow(const QString &folder, std::unique_ptr<AudioOutput> output,
                   QWidget *parent = nullptr);
    ~RecorderWindow() override;

    QString currentName() const;
    QString message() const { return m_message->text(); }
    // Works on the voice in folder from now on, unless takes wait in memory.
    void openFolder(const QString &folder);
    // Writes the fixed copy of the voice into out and says how it checks.
    void makeFinishedVoice(const QString &out);
    // Imports a session recording into the voice, beside the window: the
    // progress bar shows how far it has come, the list what it found.
    void importRecording(const QString &recording);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildList();
    void addKeys();
    void showRecording();
    void refresh();
    void heard(const VoiceReport &voice);
    void showStates(const VoiceReport &voice);
    void selectName(int index);
    void selectNextWithoutTake();
    int currentIndex() const;
    int indexOf(const QString &name) const;
    void openInput();
    void listDevices();
    void record();
    void takeEnded(const Take &take);
    void undo();
    void showLevel(const LevelMeter::Level &level);
    void say(const QString &line);
    void play(bool inPhrase);
    void passHeadings(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void showTake();
    void writeWaiting();
    void cutAgain(const Cut &cut);
    void imported(const SessionImport &import);

    TakeFolder m_folder;
    std::unique_ptr<AudioOutput> m_output;
    CaptureSession m_input;
    QTreeWidget *m_list;
    QLabel *m_summary;
    QProgressBar *m_meter;
    QLabel *m_level;
    QLabel *m_clip;
    QLabel *m_microphone;
    QPushButton *m_record;
    QComboBox *m_device;
    QLabel *m_message;
    TakeView *m_takeView;
    QComboBox *m_take;
    QPushButton *m_openFolder;
    QPushButton *m_finish;
    QPushButton *m_import;
    QProgressBar *m_importProgress;
    ImportJob m_importJob;
    QList<QTreeWidgetItem *> m_rows; // catalogue order
    QString m_takingFor;             // the name the take in progress is for
    WordsCheck m_wordsCheck;
    // From the last words check: per row, the line the sample says instead
    // of its own; and how the voice's words went.
    QList<std::optional<HeardLine>> m_saysOther;
    WordsReport m_words;
    QString m_heardTake; // the name of the take just kept, until its words are heard
    // Retries a missing device, and closes an idle one.
    QTimer m_deviceTimer;
    QTimer m_idle;
    // Tries again to write takes that wait in memory.
    QTimer m_writeRetry;
};

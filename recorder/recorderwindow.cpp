#include "recorderwindow.h"

#include "audiooutput.h"
#include "catalogue.h"
#include "problem.h"
#include "voicefix.h"
#include "voicelines.h"
#include "voicereport.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The names a sample is heard between in P's phrase.
const QStringList PhraseAround = { "After", "100", "Meters" };
constexpr int MeterFloorDb = -60;
// Below this a figure says nothing a microphone gives: a converter's own
// noise lies above it, and what lies beneath is rounding or digital silence.
constexpr double LevelTextFloorDb = -90;
constexpr int DeviceRetryMs = 1000;
constexpr int IdleCloseMs = 60000;
enum Column { NameColumn, LineColumn, StateColumn, ImportColumn };

// The words for what is wrong with a sample. The line it says instead of
// its own comes from the words check, which may be a moment older than the
// rest.
QStringList faultsOf(const SampleReport &sample, const std::optional<HeardLine> &saysOther)
{
    QStringList faults;
    for (const Problem problem : sample.problems) {
        if (problem != Problem::WrongWords)
            faults << wordFor(problem);
    }
    if (saysOther)
        faults << QStringLiteral("%1: sounds like %2 (\"%3\")")
                      .arg(wordFor(Problem::WrongWords), saysOther->name, saysOther->line);
    return faults;
}

QString stateOf(const SampleReport &sample, const QStringList &faults)
{
    if (!sample.measures)
        return QStringLiteral("no take yet");
    const QString length = QStringLiteral("%1 s").arg(sample.measures->seconds(), 0, 'f', 2);
    return faults.isEmpty() ? length
                            : length + QStringLiteral(", ") + faults.join(QLatin1Char(' '));
}

QString dbText(double db)
{
    if (!std::isfinite(db))
        return QStringLiteral("-inf dBFS");
    if (db < LevelTextFloorDb)
        return QStringLiteral("below %1 dBFS").arg(LevelTextFloorDb);
    return QStringLiteral("%1 dBFS").arg(db, 0, 'f', 0);
}

} // namespace

RecorderWindow::RecorderWindow(const QString &folder, std::unique_ptr<AudioOutput> output,
                               QWidget *parent)
    : QWidget(parent)
    , m_folder(folder)
    , m_output(std::move(output))
    , m_list(new QTreeWidget(this))
    , m_summary(new QLabel(this))
    , m_meter(new QProgressBar(this))
    , m_level(new QLabel(this))
    , m_clip(new QLabel(this))
    , m_microphone(new QLabel(this))
    , m_record(new QPushButton(tr("&Record"), this))
    , m_device(new QComboBox(this))
    , m_message(new QLabel(this))
    , m_takeView(new TakeView(this))
    , m_take(new QComboBox(this))
    , m_openFolder(new QPushButton(tr("&Open folder..."), this))
    , m_finish(new QPushButton(tr("Make the &finished voice..."), this))
    , m_import(new QPushButton(tr("&Import a recording..."), this))
    , m_importProgress(new QProgressBar(this))
{
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(m_record);
    row->addWidget(m_device);
    row->addWidget(m_meter, 1);
    row->addWidget(m_level);
    row->addWidget(m_clip);
    row->addWidget(m_microphone);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_summary, 1);
    folderRow->addWidget(m_openFolder);
    folderRow->addWidget(m_finish);
    folderRow->addWidget(m_import);
    folderRow->addWidget(m_importProgress);
    layout->addWidget(m_list, 1);
    layout->addLayout(folderRow);
    auto *takeRow = new QHBoxLayout;
    takeRow->addWidget(m_takeView, 1);
    takeRow->addWidget(m_take, 0, Qt::AlignTop);
    layout->addLayout(takeRow);
    layout->addLayout(row);
    layout->addWidget(m_message);
    m_meter->setRange(MeterFloorDb, 0);
    m_meter->setTextVisible(false);
    m_list->setAccessibleName(tr("Samples"));
    m_summary->setAccessibleName(tr("Progress"));
    m_meter->setAccessibleName(tr("Input level"));
    m_level->setAccessibleName(tr("Peak and RMS"));
    m_clip->setAccessibleName(tr("Clip light"));
    m_microphone->setAccessibleName(tr("Microphone"));
    m_record->setAccessibleName(tr("Record"));
    m_device->setAccessibleName(tr("Input device"));
    m_take->setAccessibleName(tr("Take"));
    m_message->setAccessibleName(tr("Message"));
    m_openFolder->setAccessibleName(tr("Open folder"));
    m_finish->setAccessibleName(tr("Make the finished voice"));
    m_import->setAccessibleName(tr("Import a recording"));
    m_import->setToolTip(tr("I"));
    m_importProgress->setAccessibleName(tr("Import progress"));
    m_importProgress->setObjectName(QStringLiteral("import progress"));
    m_importProgress->hide();
    m_record->setFocusPolicy(Qt::NoFocus);
    m_list->setFocus();
    connect(&m_wordsCheck, &WordsCheck::checked, this, &RecorderWindow::heard);
    buildList();
    addKeys();
    openFolder(folder);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &RecorderWindow::passHeadings);
    connect(m_takeView, &TakeView::cutChanged, this, &RecorderWindow::cutAgain);
    connect(m_take, &QComboBox::activated, this, [this] {
        const QString error = m_folder.choose(currentName(), m_take->currentData().toInt());
        say(error.isEmpty() ? tr("%1 is now cut from %2.").arg(currentName(), m_take->currentText())
                            : error);
        refresh();
        showTake();
    });
    m_writeRetry.setInterval(DeviceRetryMs);
    connect(&m_writeRetry, &QTimer::timeout, this, &RecorderWindow::writeWaiting);
    connect(m_record, &QPushButton::clicked, this, &RecorderWindow::record);
    connect(m_openFolder, &QPushButton::clicked, this, [this] {
        const QString folder
            = QFileDialog::getExistingDirectory(this, tr("Voice folder"), m_folder.folder());
        if (!folder.isEmpty())
            openFolder(folder);
    });
    connect(m_finish, &QPushButton::clicked, this, [this] {
        const QString out
            = QFileDialog::getExistingDirectory(this, tr("An empty folder for the finished voice"));
        if (!out.isEmpty())
            makeFinishedVoice(out);
    });
    connect(m_import, &QPushButton::clicked, this, [this] {
        const QString recording = QFileDialog::getOpenFileName(
            this, tr("A session read from the lines"), m_folder.folder(),
            tr("Recordings (*.wav *.flac *.ogg *.oga *.aif *.aiff *.w64 *.caf);;All files (*)"));
        if (!recording.isEmpty())
            importRecording(recording);
    });
    connect(&m_importJob, &ImportJob::progressed, m_importProgress, &QProgressBar::setValue);
    connect(&m_importJob, &ImportJob::finished, this, &RecorderWindow::imported);
    connect(&m_input, &CaptureSession::levelChanged, this, &RecorderWindow::showLevel);
    connect(&m_input, &CaptureSession::takeEnded, this, &RecorderWindow::takeEnded);
    connect(&m_input, &CaptureSession::deviceLost, this, [this] {
        say(tr("The microphone went away."));
        openInput();
    });
    m_deviceTimer.setInterval(DeviceRetryMs);
    connect(&m_deviceTimer, &QTimer::timeout, this, [this] {
        listDevices();
        openInput();
    });
    connect(&m_input, &CaptureSession::devicesChanged, this, &RecorderWindow::listDevices);
    connect(m_device, &QComboBox::activated, this, [this] {
        m_input.close();
        openInput();
    });
    listDevices();
    m_idle.setInterval(IdleCloseMs);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (!m_input.recording())
            m_input.close();
        m_microphone->setText(tr("Microphone closed"));
    });
    openInput();
}

RecorderWindow::~RecorderWindow() = default;

void RecorderWindow::openFolder(const QString &folder)
{
    if (m_folder.waiting() > 0) {
        say(tr("%1 takes wait to be written to %2: it stays open.")
                .arg(m_folder.waiting())
                .arg(m_folder.folder()));
        return;
    }
    m_folder = TakeFolder(folder);
    m_saysOther.clear();
    m_words = {};
    setWindowTitle(tr("Voice Recorder - %1").arg(QDir::toNativeSeparators(folder)));
    refresh();
    m_list->setCurrentItem(nullptr);
    selectNextWithoutTake();
}

void RecorderWindow::makeFinishedVoice(const QString &out)
{
    const QString fault = outFolderFault(m_folder.folder(), out);
    const auto voice = fault.isEmpty()
        ? checkVoice(m_folder.folder(), { .cache = &m_wordsCheck.cache() })
        : std::nullopt;
    if (!voice) {
        say(tr("The finished voice cannot go to %1: %2")
                .arg(out, fault.isEmpty() ? tr("the voice cannot be read") : fault));
        return;
    }
    const VoiceFix fix = fixVoice(*voice, m_folder.folder(), out, FixOptions {});
    const auto finished = fix.error.isEmpty() ? checkVoice(out) : std::nullopt;
    if (!finished) {
        say(tr("The finished voice was not written: %1").arg(fix.error));
        return;
    }
    say(tr("The finished voice is in %1: %2 of %3 samples fine.")
            .arg(out)
            .arg(finished->fineCount())
            .arg(finished->samples.size()));
}

void RecorderWindow::importRecording(const QString &recording)
{
    if (m_importJob.running() || m_input.recording() || m_folder.waiting() > 0) {
        say(tr("Import when no take is in progress or waits to be written."));
        return;
    }
    for (QPushButton *button : { m_record, m_import, m_openFolder, m_finish })
        button->setEnabled(false);
    m_importProgress->setValue(0);
    m_importProgress->show();
    say(tr("Importing %1...").arg(QDir::toNativeSeparators(recording)));
    m_importJob.start(recording, m_folder.folder());
}

void RecorderWindow::imported(const SessionImport &import)
{
    m_importProgress->hide();
    for (QPushButton *button : { m_import, m_openFolder, m_finish })
        button->setEnabled(true);
    m_record->setEnabled(m_input.isOpen());
    QStringList lines = import.notes;
    if (import.outcome == SessionImport::Outcome::Failed) {
        lines.append(import.error);
    } else {
        for (qsizetype i = 0; i < m_rows.size(); ++i)
            m_rows[i]->setText(ImportColumn, outcomeOf(import, i));
        lines.append(foundSummary(import) + QLatin1Char('.'));
    }
    // The takes came in through a folder of the import's own.
    openFolder(m_folder.folder());
    say(lines.join(QLatin1Char(' ')));
}

// A list's heading is never current: the arrows go on to the name beyond it.
void RecorderWindow::passHeadings(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    if (!current || current->parent()) {
        showTake();
        return;
    }
    const int first = int(m_rows.indexOf(current->child(0)));
    const bool up = previous && m_rows.indexOf(previous) >= first;
    selectName(up ? std::max(0, first - 1) : first);
}

void RecorderWindow::showTake()
{
    const auto chosen = m_folder.chosen(currentName());
    if (chosen)
        m_takeView->setTake(m_folder.takePath(currentName(), chosen->first), chosen->second);
    else
        m_takeView->setTake({}, {});
    m_take->clear();
    for (const int number : m_folder.takes(currentName()))
        m_take->addItem(tr("take %1").arg(number), number);
    m_take->setCurrentIndex(chosen ? m_take->findData(chosen->first) : -1);
}

void RecorderWindow::writeWaiting()
{
    const QString error = m_folder.writeWaiting();
    if (!error.isEmpty())
        return;
    m_writeRetry.stop();
    say(tr("The takes that waited are written."));
    refresh();
    showTake();
}

void RecorderWindow::cutAgain(const Cut &cut)
{
    const auto chosen = m_folder.chosen(currentName());
    if (!chosen)
        return;
    const QString error = m_folder.choose(currentName(), chosen->first, cut);
    say(error.isEmpty() ? tr("%1 cut again.").arg(currentName()) : error);
    refresh();
}

void RecorderWindow::buildList()
{
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({ tr("Name"), tr("Say"), tr("State"), tr("Imported") });
    m_list->setRootIsDecorated(false);
    QList<QTreeWidgetItem *> headings;
    for (const std::string_view list : ListNames) {
        const QString title = QString::fromUtf8(list.data(), qsizetype(list.size()));
        auto *heading = new QTreeWidgetItem(m_list, { title });
        heading->setFlags(Qt::ItemIsEnabled);
        QFont bold = heading->font(NameColumn);
        bold.setBold(true);
        heading->setFont(NameColumn, bold);
        heading->setExpanded(true);
        headings << heading;
    }
    for (const CatalogueEntry &entry : SampleCatalogue) {
        const QString name = QString::fromUtf8(entry.name.data(), qsizetype(entry.name.size()));
        m_rows << new QTreeWidgetItem(headings[entry.list], { name });
    }
    m_list->expandAll();
    m_list->header()->setSectionResizeMode(NameColumn, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(LineColumn, QHeaderView::ResizeToContents);
}

// The states as voice-check judges the folder as it now stands; the words
// follow when heard.
void RecorderWindow::refresh()
{
    const auto voice = checkVoice(m_folder.folder(), { .words = false });
    const QStringList lines = readVoiceLines(m_folder.folder()).texts;
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setText(LineColumn, lines.value(i));
    m_wordsCheck.ask(m_folder.folder());
    showStates(voice.value_or(VoiceReport {}));
}

void RecorderWindow::heard(const VoiceReport &voice)
{
    m_words = voice.words;
    m_saysOther.clear();
    for (const SampleReport &sample : voice.samples)
        m_saysOther << (sample.problems.contains(Problem::WrongWords) ? sample.heard
                                                                      : std::nullopt);
    showStates(voice);
    if (const auto other = m_saysOther.value(indexOf(m_heardTake)))
        say(tr("%1 It sounds like %2 (\"%3\").").arg(message(), other->name, other->line));
    m_heardTake.clear();
}

void RecorderWindow::showStates(const VoiceReport &voice)
{
    int recorded = 0;
    int fine = 0;
    for (qsizetype i = 0; i < voice.samples.size(); ++i) {
        const SampleReport &sample = voice.samples[i];
        const QStringList faults = faultsOf(sample, m_saysOther.value(i));
        m_rows[i]->setText(StateColumn, stateOf(sample, faults));
        recorded += sample.measures ? 1 : 0;
        fine += sample.measures && faults.isEmpty() ? 1 : 0;
    }
    QString words;
    if (m_wordsCheck.pending())
        words = tr(", hearing the words...");
    else if (!m_words.checked)
        words = tr(", words not checked");
    m_summary->setText(
        tr("%1 of %2 recorded, %3 fine%4").arg(recorded).arg(m_rows.size()).arg(fine).arg(words));
    m_summary->setToolTip(m_words.checked ? QString() : m_words.reason);
}

int RecorderWindow::currentIndex() const
{
    return int(m_rows.indexOf(m_list->currentItem()));
}

int RecorderWindow::indexOf(const QString &name) const
{
    const auto row = std::find_if(m_rows.begin(), m_rows.end(), [&](QTreeWidgetItem *item) {
        return item->text(NameColumn) == name;
    });
    return int(row - m_rows.begin());
}

QString RecorderWindow::currentName() const
{
    const int index = currentIndex();
    return index >= 0 ? m_rows[index]->text(NameColumn) : QString();
}

void RecorderWindow::selectName(int index)
{
    if (index >= 0 && index < m_rows.size())
        m_list->setCurrentItem(m_rows[index]);
}

void RecorderWindow::selectNextWithoutTake()
{
    const int from = std::max(0, currentIndex());
    for (int step = 0; step < m_rows.size(); ++step) {
        const int index = (from + step + (currentIndex() >= 0 ? 1 : 0)) % int(m_rows.size());
        if (m_folder.takes(m_rows[index]->text(NameColumn)).isEmpty()
            && !QFile::exists(m_folder.samplePath(m_rows[index]->text(NameColumn)))) {
            selectName(index);
            return;
        }
    }
    if (currentIndex() < 0)
        selectName(0);
}

void RecorderWindow::openInput()
{
    if (m_input.isOpen())
        return;
    const bool open = m_input.open(m_device->currentData().toString());
    m_record->setEnabled(open);
    m_microphone->setText(open ? tr("Microphone open") : tr("No microphone"));
    if (open) {
        m_deviceTimer.stop();
        m_idle.start();
        return;
    }
    say(tr("No input device: Record is off until one appears."));
    m_deviceTimer.start();
}

// SDL's capture devices, the one picked kept while it is there.
void RecorderWindow::listDevices()
{
    const QString picked = m_device->currentData().toString();
    m_device->clear();
    m_device->addItem(tr("Default input"), QString());
    for (const QString &name : SdlCapture::devices())
        m_device->addItem(name, name);
    m_device->setCurrentIndex(std::max(0, m_device->findData(picked)));
}

void RecorderWindow::record()
{
    if (m_input.recording()) {
        m_input.stop();
        return;
    }
    // The import writes takes of its own meanwhile.
    if (currentIndex() < 0 || m_importJob.running())
        return;
    openInput();
    if (!m_input.isOpen())
        return;
    m_idle.start();
    m_takingFor = currentName();
    m_input.start();
    showRecording();
    say(tr("Recording %1: say \"%2\"")
            .arg(currentName(), m_rows[currentIndex()]->text(LineColumn)));
}

void RecorderWindow::takeEnded(const Take &take)
{
    showRecording();
    const QString name = m_takingFor;
    const qsizetype waitedBefore = m_folder.waiting();
    const QString error = m_folder.keep(name, take);
    if (m_folder.waiting() > waitedBefore) {
        m_writeRetry.start();
        say(tr("%1: the take waits in memory until it can be written.").arg(error));
    } else {
        say(error.isEmpty() ? tr("%1 recorded (%2 s).").arg(name).arg(take.seconds(), 0, 'f', 1)
                            : error);
        m_heardTake = error.isEmpty() ? name : QString();
    }
    refresh();
    if (error.isEmpty())
        selectNextWithoutTake();
}

// Goes back on the last take, whichever name is selected, as an editor's
// undo goes back on the last change.
void RecorderWindow::undo()
{
    const auto last = m_folder.lastKept();
    const QString error = m_folder.undo();
    if (last && error.isEmpty()) {
        selectName(indexOf(last->name));
        say(last->before ? tr("Take %1 of %2 undone: take %3 is the sample again.")
                               .arg(last->number)
                               .arg(last->name)
                               .arg(last->before->first)
                         : tr("Take %1 of %2 undone: %2 has no sample now.")
                               .arg(last->number)
                               .arg(last->name));
    } else {
        say(error);
    }
    refresh();
    showTake();
}

void RecorderWindow::showLevel(const LevelMeter::Level &level)
{
    m_meter->setValue(int(std::lround(std::max<double>(level.peakDb, MeterFloorDb))));
    m_level->setText(tr("peak %1, RMS %2").arg(dbText(level.peakDb), dbText(level.rmsDb)));
    m_clip->setText(level.clip ? tr("CLIP") : QString());
}

void RecorderWindow::say(const QString &line)
{
    m_heardTake.clear();
    m_message->setText(line);
}

void RecorderWindow::play(bool inPhrase)
{
    const QString name = currentName();
    if (!QFile::exists(m_folder.samplePath(name))) {
        say(tr("%1 has no take yet.").arg(name));
        return;
    }
    QStringList paths;
    for (const QString &other : inPhrase ? PhraseAround : QStringList()) {
        if (QFile::exists(m_folder.samplePath(other)) && other != name)
            paths << m_folder.samplePath(other);
    }
    paths << m_folder.samplePath(name);
    for (qsizetype i = 0; i < paths.size(); ++i)
        m_output->play(paths[i], i + 1 < paths.size());
}

void RecorderWindow::addKeys()
{
    const auto key = [this](const QKeySequence &keys, auto slot) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    key(Qt::Key_R, &RecorderWindow::record);
    key(Qt::Key_Escape, [this] {
        if (!m_input.recording())
            return;
        m_input.discard();
        showRecording();
        say(tr("Take discarded."));
    });
    key(Qt::Key_Space, [this] { play(false); });
    key(Qt::Key_P, [this] { play(true); });
    key(QKeySequence::Undo, &RecorderWindow::undo);
    key(Qt::Key_I, [this] { m_import->click(); });
    key(Qt::CTRL | Qt::Key_Home, [this] { selectName(0); });
    key(Qt::CTRL | Qt::Key_End, [this] { selectName(int(m_rows.size()) - 1); });
}

void RecorderWindow::showRecording()
{
    m_record->setText(m_input.recording() ? tr("&Stop") : tr("&Record"));
}

void RecorderWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        openInput();
    QWidget::changeEvent(event);
}

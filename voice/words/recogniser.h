#pragma once

#include "lexicon.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <span>
#include <utility>

struct ps_decoder_s;

// The lines a voice is heard against, each as its words, and how those
// words are said. A line with a word the lexicon lacks is not heard: its
// words are empty here.
struct LineSet
{
    QList<QStringList> lines;
    QList<Pronunciation> pronunciations;
    bool operator==(const LineSet &) const = default;
};

// What the recogniser made of one sample.
struct Hearing
{
    int line = -1; // the line it says, an index into LineSet::lines; -1 for none
    int score = 0; // how well that line explains the sample, in log-likelihood points
    // When that is not the sample's own line: how much better it explains
    // the sample than the own line, in the recogniser's log-likelihood
    // points; nothing when either line could not be laid on the sample.
    std::optional<int> margin;
    int wordsFrom = 0; // where the words lie, in frames of FrameMs from the start
    int wordsTo = 0;
    QList<std::pair<int, int>> pauses; // the frames [first, last] of each pause between them
};

// Hears which line of a set a sample of speech says, with CMU Sphinx's
// US English model. Each thread needs its own: the decoders keep state.
class Recogniser
{
public:
    static constexpr int Rate = 16000;
    static constexpr int FrameMs = 10;

    // Nothing when the model cannot be loaded, and why.
    static std::unique_ptr<Recogniser> create(const LineSet &lines, QString *why = nullptr);
    ~Recogniser();

    // Which line audio (mono at Rate) says; own is the line it should say.
    Hearing hear(std::span<const qint16> audio, int own);
    // How much better line explains audio than own; nothing when either
    // cannot be laid on it.
    std::optional<int> margin(std::span<const qint16> audio, int line, int own);
    // The score of line laid alone on audio; nothing when it does not fit at all.
    std::optional<int> lineScore(std::span<const qint16> audio, int line);
    // The score of the loosest explanation of audio: any words of the
    // lines, in any order, or noise. A line said clearly scores about as
    // well; a slip, a half line or a cough falls far behind it.
    std::optional<int> looseScore(std::span<const qint16> audio);

    // Where the model lives; set at build time, VP_SPEECH_MODEL overrides it.
    static QString modelFolder();
    // Why the model cannot be used, or nothing when it is there.
    static QString missingModel();

private:
    Recogniser(const LineSet &lines, ps_decoder_s *search, ps_decoder_s *scoring);
    bool setUpSearch();

    const LineSet &m_lines;
    ps_decoder_s *m_search;                    // the best line among all
    ps_decoder_s *m_scoring;                   // one line laid on a sample
    ps_decoder_s *m_loose = nullptr;           // the loose explanation, made when first asked
    QStringList m_vocabulary;                  // the words of all lines
    QHash<QString, QList<int>> m_linesByWords; // "turn left" to the lines that say it
    QList<bool> m_scoringGrammars;             // per line: whether its grammar is set up
};

#include "parallelbuild.h"

#include <QFile>
#include <QThread>

#include <csignal>
#include <unistd.h>

ParallelBuild::ParallelBuild(const QTemporaryDir &folder)
{
    const QString source = folder.filePath("busy.cpp");
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("#include <regex>\n#include <map>\n#include <string>\n"
               "std::map<std::string, std::regex> table() { return { { \"a\", "
               "std::regex(\"(a|b)*c\") } }; }\n");
    file.close();
    const int jobs = 2 * QThread::idealThreadCount();
    for (int job = 0; job < jobs; ++job) {
        auto compiler = std::make_unique<QProcess>();
        compiler->setChildProcessModifier([] { ::setpgid(0, 0); });
        compiler->start(
            "sh",
            { "-c",
              QString("while :; do c++ -O2 -std=c++20 -c %1 -o /dev/null; done").arg(source) });
        compiler->waitForStarted();
        m_jobs.push_back(std::move(compiler));
    }
}

ParallelBuild::~ParallelBuild()
{
    for (auto &job : m_jobs) {
        // The shell's compiler child goes with its process group.
        ::kill(-pid_t(job->processId()), SIGKILL);
        job->kill();
        job->waitForFinished();
    }
}

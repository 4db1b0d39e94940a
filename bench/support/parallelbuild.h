#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// Two compiler jobs a core, at this program's own priority, for as long as
// it lives: the busy machine users have while a build runs.
class ParallelBuild
{
public:
    explicit ParallelBuild(const QTemporaryDir &folder);
    ~ParallelBuild();

private:
    std::vector<std::unique_ptr<QProcess>> m_jobs;
};

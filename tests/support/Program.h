#pragma once

// Runs one of the built programs as a user's script would: with settings of its own, so that none
// of the user's are read, and with no reader named unless a test names one.

#include "support/TempFolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <string>

inline QString Q(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

struct Outcome {
    int exitCode = -1;  // -1: the program crashed or did not finish
    std::string out;
    std::string err;
};

class Program {
public:
    explicit Program(const char* path) : path(QString::fromUtf8(path))
    {
        environment.insert("XDG_CONFIG_HOME", Q(config.Path()));
        environment.remove("FOTOHARVESTER_READER");
    }

    // Starts the program behind `wrapper` (a command that takes it and its arguments last) and
    // returns at once, for a test that acts on it while it runs.
    void Start(QProcess& process, const QStringList& arguments, const QStringList& wrapper = {}) const
    {
        QStringList command = wrapper + QStringList{path} + arguments;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingFolder);
        process.start(command.takeFirst(), command);
        process.waitForStarted();
    }

    // Runs it to its end, five minutes (or `timeout` ms) at most, with `input` as its standard input.
    Outcome Run(const QStringList& arguments, const QByteArray& input = {}, const QStringList& wrapper = {},
                int timeout = 300000) const
    {
        QProcess process;
        Start(process, arguments, wrapper);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(timeout)) {
            process.kill();
            process.waitForFinished();
            return {-1, {}, "did not finish"};
        }
        return Ended(process);
    }

    static Outcome Ended(QProcess& process)
    {
        const bool ended = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
        return {ended ? process.exitCode() : -1, process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    QString path;
    TempFolder config;  // where it keeps its settings
    QString workingFolder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

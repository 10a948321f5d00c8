// window-latency FOLDER: runs an extraction of every column of FOLDER (with its sub-folders) in the
// window, offscreen, and measures how long the window went without handling its events: a 1 ms
// timer stands for the user's input, and the longest gap between two of its ticks is the longest
// the window would have kept the user waiting. Prints that gap, the run's time and the peak
// memory of the process.

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "metadata/ReaderPool.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long PeakResidentKib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window-latency FOLDER OUTPUT\n");
        return 2;
    }
    ExtractionSettings settings = DefaultSettings(DefaultMonthNames());
    settings.Folder = argv[1];
    settings.OutFile = argv[2];
    settings.Flags = std::string(static_cast<std::size_t>(ColumnCount()), '1');
    settings.SubFolders = 1;
    settings.FullFilePath = 1;
    settings.CommentLine = 1;

    ReaderPool readers(ReaderPool::DefaultOptions());
    MainWindow window(settings, readers);
    window.Messages().setAnswerWhenNoneQueued(QMessageBox::Ok);
    window.show();

    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    qint64 ticks = 0;
    QTimer input;
    input.setInterval(1);
    QObject::connect(&input, &QTimer::timeout, [&] {
        if (window.IsRunning() && sinceTick.isValid()) {
            longestGapMs = std::max(longestGapMs, sinceTick.elapsed());
            ++ticks;
        }
        sinceTick.start();
    });

    QElapsedTimer run;
    QTimer::singleShot(50, [&] {
        input.start();
        run.start();
        window.OnExtract();
        const qint64 runMs = run.elapsed();
        std::printf("run: %.2f s; longest gap between handled events: %lld ms (%lld ticks); peak memory %.1f MB\n",
                    runMs / 1000.0, static_cast<long long>(longestGapMs), static_cast<long long>(ticks),
                    PeakResidentKib() / 1024.0);
        for (const auto& shown : window.Messages().shown())
            std::printf("message: %s\n", qPrintable(shown.text));
        application.exit(0);
    });
    return application.exec();
}

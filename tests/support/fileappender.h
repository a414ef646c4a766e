#pragma once
// A writer thread that keeps appending to a file (a log still being
// written) until the object goes: ended and joined however a test leaves.
#include <QFile>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class FileAppender
{
public:
    // append(file, i) is called for i = first, first + 1, ... with the file
    // open for appending, unbuffered, until the appender goes.
    FileAppender(const QString &path, int first, std::function<void(QFile &, int)> append);
    ~FileAppender();
    FileAppender(const FileAppender &) = delete;
    FileAppender &operator=(const FileAppender &) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

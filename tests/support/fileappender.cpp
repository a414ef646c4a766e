#include "fileappender.h"

FileAppender::FileAppender(const QString &path, int first, std::function<void(QFile &, int)> append)
{
    m_thread = std::thread([this, path, first, append] {
        QFile f(path);
        if (!f.open(QIODevice::Append | QIODevice::Unbuffered))
            return;
        for (int i = first; !m_stop.load(); ++i)
            append(f, i);
    });
}

FileAppender::~FileAppender()
{
    m_stop = true;
    m_thread.join();
}

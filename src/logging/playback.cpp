#include "playback.h"

#include <climits>

PlayBack::PlayBack(QObject *parent)
    : QObject(parent)
    , reader(new CSVReader)
    , jobParser(new CSVJobParser)
    , logger(KelvoLog::get("playback"))
{
}

PlayBack::~PlayBack() = default;

bool PlayBack::load(const QString &fileName)
{
    // A log that cannot be read leaves the loaded one as it was.
    auto newReader = std::make_unique<CSVReader>();
    auto newParser = std::make_unique<CSVJobParser>();
    if (!newReader->load(fileName, *newParser)) {
        error = newReader->errorString();
        LOG4CPLUS_WARN_FMT(logger, "cannot play %s: %s", KELVO_QS(fileName), KELVO_QS(error));
        return false;
    }
    if (!newParser->sideFileLoaded())
        LOG4CPLUS_INFO_FMT(logger, "first row: %s", KELVO_QS(newReader->readHeader()));
    for (const QString &w : newParser->warnings() + newReader->warnings())
        LOG4CPLUS_WARN_FMT(logger, "%s: %s", KELVO_QS(fileName), KELVO_QS(w));
    newReader->indexTimes(*newParser);
    reader = std::move(newReader);
    jobParser = std::move(newParser);
    error.clear();
    currentIndex = 0;
    loaded = true;
    return true;
}

quint32 PlayBack::rowCount() const
{
    return loaded ? quint32(qMax(0, reader->rowCount() - 1)) : 0;
}

qint64 PlayBack::getStartTime() const
{
    return loaded ? reader->startTime() : 0;
}

bool PlayBack::checkIndex(int index) const
{
    return loaded && index >= 0 && quint32(index) < rowCount();
}

void PlayBack::execOp(PlayBack::Op operation, quint32 pos)
{
    qint64 target;
    switch (operation) {
    case Next:
        target = qint64(currentIndex) + 1;
        break;
    case Previous:
        target = qint64(currentIndex) - 1;
        break;
    case Seek:
        target = qint64(pos);
        break;
    default:
        return;
    }
    if (target <= INT_MAX && checkIndex(int(target)))
        currentIndex = int(target);
}

QList<CJob> PlayBack::jobsOfRow(int row)
{
    return jobParser->parse(reader->getRow(row), reader->dayOffset(row));
}

QList<CJob> PlayBack::seek(int sampleIndex)
{
    if (!checkIndex(sampleIndex))
        return {};
    currentIndex = sampleIndex;
    return jobsOfRow(sampleIndex);
}

QList<CJob> PlayBack::current()
{
    return checkIndex(currentIndex) ? jobsOfRow(currentIndex) : QList<CJob>();
}

QStringList PlayBack::warnings() const
{
    return loaded ? jobParser->warnings() + reader->warnings() : QStringList();
}

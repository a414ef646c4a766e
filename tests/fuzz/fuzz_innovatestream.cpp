// The MTS stream through the parser and the Innovate data handler: every
// packet keeps within its arrays (64 channels, 256 reply bytes, known
// function codes), every data packet gives one job whose results name a
// device the chain reported (names are 8-bit text, any byte), and no reply
// gives a job. The handler reads the configuration of innovateconfigtexts.h,
// which is put back for each input, so the defaults it writes do not pile up.
#include "fuzzworkdir.h"
#include "innovateconfigtexts.h"
#include "innovatedatahandler.h"
#include "innovatemtsextconfig.h"
#include "latin1.h"
#include "mtsstreamparser.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {
struct Setup
{
    FuzzWorkDir dir;
    Setup()
    {
        Fuzz::ensureApplication("fuzz_innovatestream");
        dir.write("config/SensorDefs.xml", InnovateConfigTexts::SensorDefs);
        dir.write("config/DeviceDefs.xml", InnovateConfigTexts::DeviceDefs);
    }
};

void check(const InnovateMTSPacket &p)
{
    if (p.channelCount < 0 || p.channelCount > InnovateMTSPacket::MaxChannels)
        std::abort();
    if (p.rawLength > InnovateMTSPacket::MaxRaw)
        std::abort();
    for (int i = 0; i < p.channelCount; ++i) {
        const InnovateMTSChannel &c = p.channels[i];
        if (c.function > InnovateMTSPacket::EmptyEntry || c.function == 8 || c.value > 0x1FFF || c.isLM1 > 1)
            std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    FuzzCurrentDir cd(setup.dir);
    setup.dir.write("config/InputConfigs.xml", InnovateConfigTexts::InputConfigs);
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    MTSStreamParser parser;
    int replies = 0;
    int dataPackets = 0;
    for (char c : bytes) {
        if (parser.feed(quint8(c))) {
            InnovateMTSPacket p;
            parser.copyPacket(p);
            check(p);
            (p.replyType ? replies : dataPackets)++;
        }
    }

    InnovateDataHandler handler(QStringLiteral("INNOVATE"));
    int jobs = 0;
    int packets = 0;
    QObject::connect(&handler.streamHandler(), &InnovateStreamHandler::MTSPacketRead,
                     [&packets](const InnovateMTSPacket &p) {
                         check(p);
                         ++packets;
                     });
    QObject::connect(&handler, &InnovateDataHandler::jobFinished, [&](const CJob &job, int result) {
        if (result != 0 || job.jobName != "INNOVATE")
            std::abort();
        const QStringList names = handler.deviceNames();
        for (const CJobResult &r : job.results) {
            const QString name = Latin1::toQString(r.name);
            bool known = name == QLatin1String("STAT_UNKNOWN");
            for (const QString &device : names)
                known = known || name.startsWith(device + QLatin1Char('_'));
            if (!known || r.format != 8)
                std::abort();
        }
        ++jobs;
    });
    handler.streamHandler().feed(bytes);
    // The same packets as the parser alone, one job per data packet.
    if (packets != replies + dataPackets || jobs != dataPackets)
        std::abort();
    return 0;
}

// libFuzzer target: any bytes as a settings file. What is read must be
// written so that it reads back the same, and writing that again must give
// the same text. A crash, a sanitizer report or a difference is a finding.
#include "output/RegStore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vorlix;

namespace {

QStringList dump(const RegFile &f)
{
    QStringList out{QString::number(int(f.format()))};
    for (const RegKey &k : f.keys()) {
        out << QLatin1Char('[') + k.path + QLatin1Char(']');
        for (const RegValue &v : k.values)
            out << v.name + QLatin1Char('|') + QString::number(int(v.type)) + QLatin1Char('|') + v.data;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RegFile once = RegFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray written = once.serialize();
    const RegFile twice = RegFile::parse(written);
    if (dump(once) != dump(twice)) {
        std::fprintf(stderr, "fuzz_settings: reads back different\nfirst: %s\nthen:  %s\n",
                     dump(once).join(QLatin1String("\n       ")).toUtf8().constData(),
                     dump(twice).join(QLatin1String("\n       ")).toUtf8().constData());
        std::abort();
    }
    if (twice.serialize() != written) {
        std::fprintf(stderr, "fuzz_settings: written twice, the text differs\n");
        std::abort();
    }
    return 0;
}

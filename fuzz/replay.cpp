// Runs a harness over the inputs it is given (files, or folders of them) without libFuzzer:
// the regression run of every corpus in the normal build, with the normal compiler.
#include "fuzz/fuzzing.h"
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString given = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        if (QFileInfo(given).isDir()) {
            const QDir folder(given);
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
                files << folder.filePath(name);
        } else {
            files << given;
        }
        for (const QString& path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qUtf8Printable(path));
                return 2;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "%s\n", qUtf8Printable(path));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++replayed;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1; // a corpus that went missing is a failure, not a pass
}

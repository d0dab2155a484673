// Runs a fuzz target's entry point once per file, without the fuzzer: the seeds and every input a
// fuzzer once broke the code with, as regression cases of the ordinary test run.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    QStringList files;
    if (!QFileInfo::exists(QString::fromLocal8Bit(argv[i]))) continue;  // a target without regressions yet
    if (QFileInfo(QString::fromLocal8Bit(argv[i])).isDir()) {
      QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files, QDirIterator::Subdirectories);
      while (it.hasNext()) files << it.next();
      files.sort();
    } else {
      files << QString::fromLocal8Bit(argv[i]);
    }
    for (const QString& name : files) {
      QFile f(name);
      if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
        return 2;
      }
      const QByteArray bytes = f.readAll();
      std::fprintf(stderr, "%s\n", qPrintable(name));
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
      ++runs;
    }
  }
  std::printf("%d inputs ran\n", runs);
  return runs > 0 ? 0 : 1;
}

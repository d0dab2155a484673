#pragma once
#include <QProcess>
#include <QString>

// A clip of the test's own at path: a test picture and a 440 Hz tone, `seconds` long; whether made.
inline bool make_clip(const QString& path, int seconds = 40) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v",
                          "error",
                          "-y",
                          "-f",
                          "lavfi",
                          "-i",
                          "testsrc=size=160x120:rate=25",
                          "-f",
                          "lavfi",
                          "-i",
                          "sine=frequency=440",
                          "-t",
                          QString::number(seconds),
                          "-c:v",
                          "libx264",
                          "-preset",
                          "ultrafast",
                          "-c:a",
                          "aac",
                          path});
  return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

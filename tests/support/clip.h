#pragma once
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTime>
#include <utility>

// ffmpeg with these arguments, quiet and overwriting; whether it made its output.
inline bool run_ffmpeg(const QStringList& args) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
  return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

// The clip at from played 1 + loops times over, copied into to; whether made.
inline bool loop_clip(const QString& from, const QString& to, int loops) {
  return run_ffmpeg({"-stream_loop", QString::number(loops), "-i", from, "-c", "copy", to});
}

// A clip of the test's own at path: a test picture and a 440 Hz tone, `seconds` long; whether made.
inline bool make_clip(const QString& path, int seconds = 40) {
  return run_ffmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-f", "lavfi", "-i", "sine=frequency=440",
                     "-t", QString::number(seconds), "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", path});
}

// A clip of the test's own with two of each: audio tracks (a 440 Hz tone "chi", a 1760 Hz tone
// "eng"; the first is the default) and subtitle tracks ("中文" chi, "English" eng), over a 320x240
// test picture, `seconds` long, as Matroska at path; whether made.
inline bool make_tracks_clip(const QString& path, int seconds = 30) {
  const QString base = path.left(path.lastIndexOf('.'));
  for (const auto& [suffix, text] : {std::pair{"zh", "第一句"}, std::pair{"en", "First line"}}) {
    QFile srt(base + "." + suffix + ".in.srt");
    if (!srt.open(QIODevice::WriteOnly)) return false;
    // One line for the whole clip (a longer one would make the clip as long).
    srt.write(QStringLiteral("1\n00:00:00,000 --> %1,000\n%2\n\n")
                  .arg(QTime(0, 0).addSecs(seconds - 1).toString(QStringLiteral("HH:mm:ss")), QString::fromUtf8(text))
                  .toUtf8());
  }
  return run_ffmpeg({"-f",
                     "lavfi",
                     "-i",
                     "testsrc=size=320x240:rate=25",
                     "-f",
                     "lavfi",
                     "-i",
                     "sine=frequency=440",
                     "-f",
                     "lavfi",
                     "-i",
                     "sine=frequency=1760",
                     "-i",
                     base + ".zh.in.srt",
                     "-i",
                     base + ".en.in.srt",
                     "-map",
                     "0",
                     "-map",
                     "1",
                     "-map",
                     "2",
                     "-map",
                     "3",
                     "-map",
                     "4",
                     "-t",
                     QString::number(seconds),
                     "-c:v",
                     "libx264",
                     "-preset",
                     "ultrafast",
                     "-c:a",
                     "aac",
                     "-c:s",
                     "srt",
                     "-metadata:s:a:0",
                     "language=chi",
                     "-metadata:s:a:1",
                     "language=eng",
                     "-metadata:s:s:0",
                     "language=chi",
                     "-metadata:s:s:0",
                     "title=中文",
                     "-metadata:s:s:1",
                     "language=eng",
                     "-metadata:s:s:1",
                     "title=English",
                     path});
}

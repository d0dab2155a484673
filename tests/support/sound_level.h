#pragma once
#include <QByteArray>

// What reached the test's sound server's null sink during the next ms milliseconds (16-bit stereo
// samples at 44.1 kHz), recorded from its monitor with parec; PULSE_SERVER says which server.
QByteArray record_sink(int ms);

// The RMS level (0..1) of 16-bit little-endian samples.
double rms_level(const QByteArray& samples);

// The pitch of a pure tone in such samples (its left channel's zero crossings), in Hz.
double tone_frequency(const QByteArray& samples);

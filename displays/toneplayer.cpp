#include "displays/toneplayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace dmm {
namespace {

TonePlayer* g_player = nullptr;

constexpr int kSampleRate = 44100;
constexpr int kFadeMs = 5;     // ramps at both ends keep the burst from clicking
constexpr int kMarginMs = 30;  // the sink starts a little after start()

// Sine samples in the format the device takes (16-bit or float, any channel count);
// empty for other formats.
QByteArray SineBurst(const QAudioFormat& format, int frequencyHz, int durationMs) {
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    const auto sampleFormat = format.sampleFormat();
    if (rate <= 0 || channels <= 0 ||
        (sampleFormat != QAudioFormat::Int16 && sampleFormat != QAudioFormat::Float)) {
        return {};
    }
    const qint64 frames = static_cast<qint64>(rate) * durationMs / 1000;
    const double fadeFrames = static_cast<double>(rate) * kFadeMs / 1000;
    QByteArray pcm;
    pcm.resize(static_cast<qsizetype>(frames * format.bytesPerFrame()));
    char* out = pcm.data();
    for (qint64 i = 0; i < frames; ++i) {
        const double ramp = std::min({1.0, i / fadeFrames, (frames - 1 - i) / fadeFrames});
        const double value = 0.5 * ramp * std::sin(2 * std::numbers::pi * frequencyHz * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (sampleFormat == QAudioFormat::Int16) {
                const auto sample = static_cast<std::int16_t>(value * 32767);
                std::memcpy(out, &sample, sizeof sample);
                out += sizeof sample;
            } else {
                const auto sample = static_cast<float>(value);
                std::memcpy(out, &sample, sizeof sample);
                out += sizeof sample;
            }
        }
    }
    return pcm;
}

}  // namespace

void AudioTonePlayer::PlayTone(int frequencyHz, int durationMs) {
    // A tone asked for while one plays (from a message handled in the wait) is dropped.
    if (frequencyHz <= 0 || durationMs <= 0 || playing_) return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;

    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    QByteArray pcm = SineBurst(format, frequencyHz, durationMs);
    if (pcm.isEmpty()) return;

    QBuffer buffer(&pcm);
    buffer.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    playing_ = true;
    {
        QEventLoop wait;
        QObject::connect(&sink, &QAudioSink::stateChanged, &wait, [&](QAudio::State state) {
            if (state == QAudio::StoppedState && sink.error() != QAudio::NoError) wait.quit();
        });
        sink.start(&buffer);
        if (sink.error() == QAudio::NoError && sink.state() != QAudio::StoppedState) {
            QTimer done;
            done.setSingleShot(true);
            QObject::connect(&done, &QTimer::timeout, &wait, &QEventLoop::quit);
            done.start(durationMs + kMarginMs);
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    sink.stop();
    playing_ = false;
}

TonePlayer& Tones() {
    static AudioTonePlayer soundCard;
    if (g_player) return *g_player;
    return soundCard;
}

void SetTonePlayer(TonePlayer* player) {
    g_player = player;
}

}  // namespace dmm

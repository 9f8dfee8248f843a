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
#include <functional>
#include <numbers>
#include <utility>

namespace dmm {
namespace {

TonePlayer* g_player = nullptr;

constexpr int kSampleRate = 44100;
constexpr int kFadeMs = 5;      // ramps at both ends keep the burst from clicking
constexpr int kLatestMs = 200;  // how long an output may start late before the tone is cut

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

// The default audio output as a ToneSink.
class AudioOutput : public ToneSink {
public:
    AudioOutput(const QAudioDevice& device, const QAudioFormat& format) : sink_(device, format) {}
    bool Start(QIODevice& source, std::function<void()> ended) override {
        connection_ = QObject::connect(
            &sink_, &QAudioSink::stateChanged,
            [this, ended = std::move(ended)](QAudio::State state) {
                if (state == QAudio::IdleState ||
                    (state == QAudio::StoppedState && sink_.error() != QAudio::NoError))
                    ended();
            });
        sink_.start(&source);
        return sink_.error() == QAudio::NoError && sink_.state() != QAudio::StoppedState;
    }
    void Stop() override {
        QObject::disconnect(connection_);
        sink_.stop();
    }

private:
    QAudioSink sink_;
    QMetaObject::Connection connection_;
};

}  // namespace

void PlayOut(ToneSink& sink, QIODevice& source, int durationMs) {
    QEventLoop wait;
    bool over = false;
    const bool started = sink.Start(source, [&] {
        over = true;
        wait.quit();
    });
    if (started && !over) {
        QTimer latest;
        latest.setSingleShot(true);
        latest.setTimerType(Qt::PreciseTimer);
        QObject::connect(&latest, &QTimer::timeout, &wait, &QEventLoop::quit);
        latest.start(durationMs + kLatestMs);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    sink.Stop();
}

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
    AudioOutput output(device, format);
    playing_ = true;
    PlayOut(output, buffer, durationMs);
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

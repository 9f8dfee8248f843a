// The comparator's alarm tone. The program plays it through the sound card;
// tests install a player of their own.
#pragma once

#include <functional>

class QIODevice;

namespace dmm {

class TonePlayer {
public:
    virtual ~TonePlayer() = default;
    // Plays a tone and returns when it is over.
    virtual void PlayTone(int frequencyHz, int durationMs) = 0;
};

// The part of an audio output a tone waits on. Start plays source and calls ended when the
// output has played it out (it went idle) or playing failed; false when it could not start.
// After Stop, ended is not called any more.
class ToneSink {
public:
    virtual ~ToneSink() = default;
    virtual bool Start(QIODevice& source, std::function<void()> ended) = 0;
    virtual void Stop() = 0;
};

// Plays source on sink and returns once the sink has played it out, at the latest
// durationMs + 200 ms after the start (an output that starts late still plays the whole
// tone; one that never says it is done holds the window no longer). Window events other
// than the user's input are handled meanwhile.
void PlayOut(ToneSink& sink, QIODevice& source, int durationMs);

// A sine burst through the default audio output, blocking until it has been played.
// Silent, and at once back, when there is no audio device or it fails.
class AudioTonePlayer : public TonePlayer {
public:
    void PlayTone(int frequencyHz, int durationMs) override;

private:
    bool playing_ = false;
};

// The player in force: the one installed, else an AudioTonePlayer.
TonePlayer& Tones();
// Installs a player (not owned); null goes back to the sound card.
void SetTonePlayer(TonePlayer* player);

}  // namespace dmm

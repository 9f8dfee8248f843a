// The comparator's alarm tone. The program plays it through the sound card;
// tests install a player of their own.
#pragma once

namespace dmm {

class TonePlayer {
public:
    virtual ~TonePlayer() = default;
    // Plays a tone and returns when it is over.
    virtual void PlayTone(int frequencyHz, int durationMs) = 0;
};

// A sine burst through the default audio output, blocking for its duration.
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

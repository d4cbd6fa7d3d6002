// The building blocks of the soundtrack's synthesiser: oscillators, filters,
// envelopes, the instruments that turn a note into samples, and the effects
// of the mix. Everything is computed sample by sample in one thread, and
// noise comes from fixed seeds, so the same score always gives the same sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

const double SAMPLE_RATE = 44100.0;

// A stereo buffer of float samples.
struct Stereo {
    explicit Stereo(size_t frames) : left(frames), right(frames) {}
    size_t Frames() const { return left.size(); }
    void Add(size_t frame, float l, float r)
    {
        if (frame < left.size()) {
            left[frame] += l;
            right[frame] += r;
        }
    }
    std::vector<float> left, right;
};

// Where a voice plays: its dry level and pan, and how much of it goes to the
// reverb and the delay.
struct Mixer {
    explicit Mixer(size_t frames) : drums(frames), music(frames), reverb(frames), delay(frames) {}
    Stereo drums;  // not ducked
    Stereo music;  // ducked under the kick drum
    Stereo reverb; // sends
    Stereo delay;
};

struct Send {
    Mixer *mixer = nullptr;
    Stereo *bus = nullptr; // one of the mixer's dry buses
    float pan = 0;         // -1 left .. 1 right
    float reverb = 0;      // send levels
    float delay = 0;
};

// White noise from a fixed seed.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    float Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return float(int32_t(state_)) / 2147483648.0f;
    }

private:
    uint32_t state_;
};

// A state-variable filter (trapezoidal integration), stable under fast sweeps.
class Filter {
public:
    // Cutoff in Hz, resonance 0 (none) .. 1 (self-oscillating).
    void Set(float cutoff, float resonance);
    float Low(float in)
    {
        Step(in);
        return low_;
    }
    float Band(float in)
    {
        Step(in);
        return band_;
    }
    float High(float in)
    {
        Step(in);
        return in - k_ * band_ - low_;
    }
    // A copy of `coefficients`' settings that keeps `state`'s memory.
    static Filter WithCoefficientsOf(const Filter &coefficients, Filter state)
    {
        state.a1_ = coefficients.a1_, state.a2_ = coefficients.a2_, state.a3_ = coefficients.a3_;
        state.k_ = coefficients.k_;
        return state;
    }

private:
    void Step(float in);
    float a1_ = 0, a2_ = 0, a3_ = 0, k_ = 2;
    float ic1_ = 0, ic2_ = 0, low_ = 0, band_ = 0;
};

enum class Wave { Saw, Square, Triangle, Sine };

// Attack, decay to a sustain level and release, in seconds; decay and release
// are exponential time constants.
struct Envelope {
    float attack = 0.005f, decay = 0.2f, sustain = 1, release = 0.1f;
    // How long the voice may sound after its note ends.
    double Tail() const { return 10.0 * release; }
};

// A subtractive synthesiser voice: detuned oscillators, an optional sub octave,
// a low-pass filter that opens on each note and closes again, vibrato.
struct Patch {
    Wave wave = Wave::Saw;
    int unison = 1;        // oscillators per note
    float detuneCents = 0; // spread of the unison oscillators
    float sub = 0;         // level of a sine one octave down, against the oscillators
    Envelope amp;
    float cutoff = 4000;      // Hz
    float filterEnv = 0;      // Hz added at the note's start, falling away
    float filterDecay = 0.2f; // s
    float resonance = 0.1f;
    float vibratoCents = 0;
    float gain = 0.2f;  // peak level of a centred voice at full velocity
    float width = 0.5f; // how far the unison spreads across the stereo field
};

struct Note {
    double time = 0;   // s
    double length = 0; // s held
    int pitch = 60;    // MIDI note number
    float velocity = 1;
    float brightness = 1; // scales the filter cutoff
};

double PitchToHz(double pitch);

void PlaySynth(const Patch &patch, const Note &note, const Send &send, uint32_t seed);
// Frequency-modulation bell: a sine modulated at a fixed ratio whose depth
// fades, giving a struck, glassy tone.
void PlayBell(const Note &note, float ratio, float gain, const Send &send);

// Drums, each struck at `time` seconds.
void PlayKick(double time, float velocity, const Send &send);
void PlaySnare(double time, float velocity, const Send &send, uint32_t seed);
void PlayClap(double time, float velocity, const Send &send, uint32_t seed);
void PlayHat(double time, float velocity, bool open, const Send &send, uint32_t seed);
void PlayCrash(double time, float velocity, const Send &send, uint32_t seed);
// Noise that swells from `time` to `end`, rising in pitch or reversed like a
// cymbal played backwards.
void PlayRiser(double time, double end, float velocity, bool reversedCymbal, const Send &send, uint32_t seed);

// A lush room: parallel damped combs into allpass diffusers, per channel.
Stereo Reverberate(const Stereo &in, float roomSize, float damping);
// A ping-pong echo with darkening repeats.
Stereo Echo(const Stereo &in, double delaySeconds, float feedback);

#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = 3.14159265358979323846;

// sin(2 pi phase) by a polynomial: plenty accurate for sound and several times
// faster than the library's, which matters at millions of samples.
float Sine(double phase)
{
    double x = phase - std::floor(phase + 0.5); // -0.5 .. 0.5
    if (x > 0.25)
        x = 0.5 - x;
    else if (x < -0.25)
        x = -0.5 - x;
    const double y = 2 * PI * x, y2 = y * y;
    return float(y * (1 - y2 / 6 * (1 - y2 / 20 * (1 - y2 / 42 * (1 - y2 / 72)))));
}

// Smooths the steps of a naive saw so that high notes do not alias.
float PolyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return float(t + t - t * t - 1);
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return float(t * t + t + t + 1);
    }
    return 0;
}

float Oscillate(Wave wave, double phase, double dt)
{
    switch (wave) {
    case Wave::Saw: return float(2 * phase - 1) - PolyBlep(phase, dt);
    case Wave::Square: {
        double half = phase + 0.5 - std::floor(phase + 0.5);
        return (phase < 0.5 ? 1.0f : -1.0f) + PolyBlep(phase, dt) - PolyBlep(half, dt);
    }
    case Wave::Triangle: return float(4 * std::fabs(phase - 0.5) - 1);
    case Wave::Sine: break;
    }
    return Sine(phase);
}

// An exponential fall with the given time constant, one multiplication a sample.
class Decay {
public:
    explicit Decay(double seconds, double from = 1.0) : value_(from), factor_(std::exp(-1.0 / (seconds * SAMPLE_RATE)))
    {
    }
    float Next()
    {
        double v = value_;
        value_ *= factor_;
        return float(v);
    }

private:
    double value_, factor_;
};

// An Envelope run sample by sample.
class EnvelopeRun {
public:
    EnvelopeRun(const Envelope &e, double length)
        : e_(e), holdFrames_(size_t(length * SAMPLE_RATE)), attackStep_(1.0 / (double(e.attack) * SAMPLE_RATE)),
          decayFactor_(std::exp(-1.0 / (double(e.decay) * SAMPLE_RATE))),
          releaseFactor_(std::exp(-1.0 / (double(e.release) * SAMPLE_RATE)))
    {
    }
    float Next()
    {
        if (frame_ < holdFrames_) {
            if (attacking_) {
                level_ += attackStep_;
                if (level_ >= 1) {
                    level_ = 1;
                    attacking_ = false;
                }
            } else {
                level_ = e_.sustain + (level_ - e_.sustain) * decayFactor_;
            }
        } else {
            level_ *= releaseFactor_;
        }
        frame_++;
        return float(level_);
    }
    bool Silent() const { return frame_ > holdFrames_ && level_ < 2e-3; } // -54 dB

private:
    Envelope e_;
    size_t holdFrames_, frame_ = 0;
    double attackStep_, decayFactor_, releaseFactor_, level_ = 0;
    bool attacking_ = true;
};

size_t FrameAt(double time) { return size_t(std::max(0.0, std::floor(time * SAMPLE_RATE + 0.5))); }

// Constant-power pan: gains for the left and right channel.
void PanGains(float pan, float &left, float &right)
{
    double angle = (double(pan) + 1) * PI / 4;
    left = float(std::cos(angle)) * 1.41421356f;
    right = float(std::sin(angle)) * 1.41421356f;
}

// A voice's samples into its bus and its sends, for at most `frames` samples
// from `start`; the voice returns false once it has died away.
template <class F> void Render(const Send &send, size_t start, size_t frames, F sample)
{
    float gainL, gainR;
    PanGains(send.pan, gainL, gainR);
    for (size_t i = 0; i < frames; i++) {
        float l = 0, r = 0;
        if (!sample(i, l, r))
            break;
        l *= gainL;
        r *= gainR;
        send.bus->Add(start + i, l, r);
        if (send.reverb > 0)
            send.mixer->reverb.Add(start + i, l * send.reverb, r * send.reverb);
        if (send.delay > 0)
            send.mixer->delay.Add(start + i, l * send.delay, r * send.delay);
    }
}

} // namespace

void Filter::Set(float cutoff, float resonance)
{
    cutoff = std::clamp(cutoff, 20.0f, float(SAMPLE_RATE) * 0.45f);
    float g = float(std::tan(PI * double(cutoff) / SAMPLE_RATE));
    k_ = 2.0f - 1.95f * std::clamp(resonance, 0.0f, 1.0f);
    a1_ = 1.0f / (1.0f + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
}

void Filter::Step(float in)
{
    float v3 = in - ic2_;
    float v1 = a1_ * ic1_ + a2_ * v3;
    float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2 * v1 - ic1_;
    ic2_ = 2 * v2 - ic2_;
    band_ = v1;
    low_ = v2;
}

double PitchToHz(double pitch) { return 440.0 * std::pow(2.0, (pitch - 69.0) / 12.0); }

void PlaySynth(const Patch &patch, const Note &note, const Send &send, uint32_t seed)
{
    const size_t frames = size_t((note.length + patch.amp.Tail()) * SAMPLE_RATE);
    const double hz = PitchToHz(note.pitch);
    Noise random(seed);
    std::vector<double> phases(size_t(patch.unison)), steps(size_t(patch.unison));
    std::vector<float> pans(size_t(patch.unison));
    for (int v = 0; v < patch.unison; v++) {
        double spread = patch.unison > 1 ? double(v) / double(patch.unison - 1) * 2 - 1 : 0;
        steps[size_t(v)] = hz * std::pow(2.0, spread * patch.detuneCents / 1200.0) / SAMPLE_RATE;
        phases[size_t(v)] = 0.5 + 0.5 * double(random.Next()); // free-running oscillators
        pans[size_t(v)] = float(spread) * patch.width;
    }
    double subPhase = 0, vibrato = 1;
    Filter left, right;
    EnvelopeRun amp(patch.amp, note.length);
    Decay filterEnv(patch.filterDecay);
    const float level = patch.gain * note.velocity / std::sqrt(float(patch.unison));
    Render(send, FrameAt(note.time), frames, [&](size_t i, float &l, float &r) {
        const float env = filterEnv.Next();
        if (i % 16 == 0) {
            const double t = double(i) / SAMPLE_RATE;
            left.Set((patch.cutoff + patch.filterEnv * env) * note.brightness, patch.resonance);
            right = Filter::WithCoefficientsOf(left, right);
            if (patch.vibratoCents > 0) // fades in over the first half second
                vibrato = std::pow(2.0, patch.vibratoCents / 1200.0 * std::min(1.0, t * 2) * Sine(5.2 * t));
        }
        float sumL = 0, sumR = 0;
        for (size_t v = 0; v < phases.size(); v++) {
            const double dt = steps[v] * vibrato;
            float s = Oscillate(patch.wave, phases[v], dt);
            phases[v] += dt;
            if (phases[v] >= 1)
                phases[v] -= 1;
            sumL += s * (1 - pans[v]);
            sumR += s * (1 + pans[v]);
        }
        if (patch.sub > 0) {
            float s = Sine(subPhase) * patch.sub;
            subPhase += hz / 2 / SAMPLE_RATE;
            sumL += s;
            sumR += s;
        }
        const float a = amp.Next() * level;
        l = left.Low(sumL) * a;
        r = right.Low(sumR) * a;
        return !amp.Silent();
    });
}

void PlayBell(const Note &note, float ratio, float gain, const Send &send)
{
    const double hz = PitchToHz(note.pitch);
    const double decay = 0.6 + 0.8 * 440.0 / std::max(hz, 220.0);
    const size_t frames = size_t((note.length + decay * 5) * SAMPLE_RATE);
    const size_t held = size_t(note.length * SAMPLE_RATE);
    const float level = gain * note.velocity;
    Decay body(decay), brightness(0.35), release(0.4);
    Render(send, FrameAt(note.time), frames, [&](size_t i, float &l, float &r) {
        const double t = double(i) / SAMPLE_RATE;
        const double index = 2.2 * double(brightness.Next()) + 0.3;
        const float tone = Sine(hz * t + index / (2 * PI) * double(Sine(hz * double(ratio) * t)));
        float amp = body.Next() * float(std::min(1.0, t / 0.002));
        if (i > held)
            amp *= release.Next();
        l = r = tone * amp * level;
        return amp > 1e-4f;
    });
}

void PlayKick(double time, float velocity, const Send &send)
{
    double phase = 0;
    Decay sweep(0.03), body(0.22), click(0.002);
    Render(send, FrameAt(time), size_t(0.5 * SAMPLE_RATE), [&](size_t i, float &l, float &r) {
        const double t = double(i) / SAMPLE_RATE;
        phase += (44.0 + 120.0 * double(sweep.Next())) / SAMPLE_RATE;
        // Both parts start with a short ramp: a click, not a step.
        const double onset = std::min(1.0, t / 0.0004);
        double tone = double(Sine(phase)) * double(body.Next()) * std::min(1.0, t / 0.001);
        l = r = float(std::tanh((tone + double(click.Next()) * 0.4 * onset) * 1.6)) * velocity * 0.9f;
        return true;
    });
}

void PlaySnare(double time, float velocity, const Send &send, uint32_t seed)
{
    Noise noise(seed);
    Filter band;
    band.Set(2500, 0.1f);
    Decay toneDecay(0.05), hissDecay(0.12), bend(0.02);
    double phase = 0;
    Render(send, FrameAt(time), size_t(0.45 * SAMPLE_RATE), [&](size_t, float &l, float &r) {
        phase += (180.0 + 40.0 * double(bend.Next())) / SAMPLE_RATE;
        float tone = Sine(phase) * toneDecay.Next();
        float hiss = band.Band(noise.Next()) * hissDecay.Next() * 1.6f;
        l = r = (tone * 0.55f + hiss) * velocity * 0.5f;
        return true;
    });
}

void PlayClap(double time, float velocity, const Send &send, uint32_t seed)
{
    Noise noise(seed);
    Filter band;
    band.Set(1300, 0.3f);
    Render(send, FrameAt(time), size_t(0.35 * SAMPLE_RATE), [&](size_t i, float &l, float &r) {
        const double t = double(i) / SAMPLE_RATE;
        // Three quick slaps, then the room.
        double burst = 0;
        for (double at : {0.0, 0.011, 0.022})
            if (t >= at)
                burst = std::max(burst, std::exp(-(t - at) / (at < 0.02 ? 0.006 : 0.09)));
        l = r = band.Band(noise.Next()) * float(burst) * velocity * 1.1f;
        return true;
    });
}

void PlayHat(double time, float velocity, bool open, const Send &send, uint32_t seed)
{
    Noise noise(seed);
    Filter high, band;
    high.Set(7000, 0.1f);
    band.Set(10000, 0.3f);
    const double decay = open ? 0.16 : 0.03;
    Decay fall(decay);
    Render(send, FrameAt(time), size_t(decay * 7 * SAMPLE_RATE), [&](size_t, float &l, float &r) {
        float n = high.High(noise.Next());
        l = r = (n * 0.6f + band.Band(n) * 0.8f) * fall.Next() * velocity * 0.35f;
        return true;
    });
}

void PlayCrash(double time, float velocity, const Send &send, uint32_t seed)
{
    Noise noise(seed), other(seed + 1);
    Filter highL, highR;
    highL.Set(3500, 0.05f);
    highR.Set(3500, 0.05f);
    Decay fall(0.9);
    Render(send, FrameAt(time), size_t(3.0 * SAMPLE_RATE), [&](size_t i, float &l, float &r) {
        const double t = double(i) / SAMPLE_RATE;
        float amp = fall.Next() * float(std::min(1.0, t / 0.003)) * velocity * 0.3f;
        l = highL.High(noise.Next()) * amp;
        r = highR.High(other.Next()) * amp;
        return true;
    });
}

void PlayRiser(double time, double end, float velocity, bool reversedCymbal, const Send &send, uint32_t seed)
{
    Noise noise(seed), other(seed + 1);
    Filter filterL, filterR;
    const double length = end - time;
    Render(send, FrameAt(time), size_t(length * SAMPLE_RATE), [&](size_t i, float &l, float &r) {
        const double x = double(i) / SAMPLE_RATE / length; // 0 .. 1
        if (i % 32 == 0) {
            float cutoff = reversedCymbal ? 5000.0f : float(300.0 * std::pow(30.0, x));
            filterL.Set(cutoff, reversedCymbal ? 0.05f : 0.5f);
            filterR.Set(cutoff, reversedCymbal ? 0.05f : 0.5f);
        }
        double amp = reversedCymbal ? std::exp(-(1 - x) * length / 0.5) : x * x;
        float a = float(amp) * velocity * 0.3f;
        if (reversedCymbal) {
            l = filterL.High(noise.Next()) * a;
            r = filterR.High(other.Next()) * a;
        } else {
            l = filterL.Band(noise.Next()) * a;
            r = filterR.Band(other.Next()) * a;
        }
        return true;
    });
}

Stereo Reverberate(const Stereo &in, float roomSize, float damping)
{
    // Delay lengths in samples, mutually prime so the echoes do not line up;
    // the right channel's are a little longer for width.
    const int combs[8] = {1117, 1189, 1277, 1361, 1423, 1493, 1559, 1619};
    const int allpasses[4] = {557, 443, 347, 227};
    Stereo out(in.Frames());
    for (int channel = 0; channel < 2; channel++) {
        const std::vector<float> &source = channel == 0 ? in.left : in.right;
        std::vector<float> &target = channel == 0 ? out.left : out.right;
        const int spread = channel == 0 ? 0 : 23;
        for (int length : combs) {
            std::vector<float> line(size_t(length + spread));
            size_t at = 0;
            float lowpass = 0;
            for (size_t i = 0; i < source.size(); i++) {
                float delayed = line[at];
                lowpass = delayed * (1 - damping) + lowpass * damping;
                line[at] = source[i] * 0.015f + lowpass * roomSize;
                target[i] += delayed;
                at = at + 1 == line.size() ? 0 : at + 1;
            }
        }
        for (int length : allpasses) {
            std::vector<float> line(size_t(length + spread));
            size_t at = 0;
            for (float &sample : target) {
                float delayed = line[at];
                line[at] = sample + delayed * 0.5f;
                sample = delayed - sample;
                at = at + 1 == line.size() ? 0 : at + 1;
            }
        }
    }
    return out;
}

Stereo Echo(const Stereo &in, double delaySeconds, float feedback)
{
    const size_t delay = size_t(delaySeconds * SAMPLE_RATE);
    Stereo out(in.Frames());
    float toneL = 0, toneR = 0;
    // Each repeat crosses to the other side and loses some treble.
    for (size_t i = delay; i < in.Frames(); i++) {
        float toRight = in.left[i - delay] + out.left[i - delay] * feedback;
        float toLeft = in.right[i - delay] + out.right[i - delay] * feedback;
        toneR += (toRight - toneR) * 0.35f;
        toneL += (toLeft - toneL) * 0.35f;
        out.right[i] = toneR;
        out.left[i] = toneL;
    }
    return out;
}

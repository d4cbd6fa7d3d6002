// The piece: 120 beats a minute in A minor. Each scene of the show has its own
// part of the music, starting on the second the scene starts:
//   0 title       pad opening up under bell arpeggios
//   8 creators    kick and pulsing bass join, snare roll into
//  16 rotozoomer  the full groove: claps, hats, plucked arpeggios
//  33 tunnel      darker turn (Am G F E), sixteenth hats, a resonant riff sweeping open
//  51 heart cube  the chorus: the lead sings the tune over F G Em Am
//  76 pink        breakdown without drums: major sevenths, bells, a soft line
//  84 drifting    half-time groove, a second tune on a mellow lead
// 102 end         drums stop, the tune closes, a last A minor rings out to 117 s.
#include "soundtrack.h"

#include "synth.h"
#include "show/show.h"

#include <algorithm>
#include <cmath>

namespace {

const double BEAT = 0.5; // seconds
// The last chord rings on past the show's end, and fades out.
const double FADE_START = ShowEndSecond() + 1.0;
const double LENGTH = FADE_START + 5.0;

struct Chord {
    int root;                   // pitch class, C = 0
    std::vector<int> intervals; // semitones above the root
};

const Chord Am{9, {0, 3, 7}}, F{5, {0, 4, 7}}, C{0, {0, 4, 7}}, G{7, {0, 4, 7}}, E{4, {0, 4, 7}}, Em{4, {0, 3, 7}},
    Fmaj7{5, {0, 4, 7, 11}}, Em7{4, {0, 3, 7, 10}}, Dm7{2, {0, 3, 7, 10}}, Cmaj7{0, {0, 4, 7, 11}};

struct Bar {
    int section;  // the scene the bar plays under
    double time;  // s
    double beats; // 4, or 2 for the short bars that land the music on a scene's odd second
    int index;    // within its section
    int count;    // bars in the section
    const Chord *chord;
};

struct SectionPlan {
    int scene;
    std::vector<std::pair<const Chord *, double>> bars; // chord and beats
};

// Each section starts on the second its scene starts; the tunnel and the pink
// picture start on odd seconds, so a two-beat bar before each lands them there.
std::vector<Bar> LayOutBars()
{
    // clang-format off
    const std::vector<SectionPlan> plan = {
        {SCENE_TITLE, {{&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}}},
        {SCENE_CREATORS, {{&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}}},
        {SCENE_ROTOZOOMER, {{&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}, {&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}, {&G, 2}}},
        {SCENE_TUNNEL, {{&Am, 4}, {&G, 4}, {&F, 4}, {&E, 4}, {&Am, 4}, {&G, 4}, {&F, 4}, {&E, 4}, {&E, 4}}},
        {SCENE_HEART_CUBE, {{&F, 4}, {&G, 4}, {&Em, 4}, {&Am, 4}, {&F, 4}, {&G, 4}, {&Em, 4}, {&Am, 4},
                            {&F, 4}, {&G, 4}, {&Em, 4}, {&Am, 4}, {&E, 2}}},
        {SCENE_PINK, {{&Fmaj7, 4}, {&Em7, 4}, {&Dm7, 4}, {&Cmaj7, 4}}},
        {SCENE_INTERLUDE, {{&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}, {&Am, 4}, {&F, 4}, {&C, 4}, {&G, 4}, {&E, 4}}},
        {SCENE_END, {{&F, 4}, {&G, 4}, {&Am, 4}, {&Am, 4}}},
    };
    // clang-format on
    std::vector<Bar> bars;
    for (const SectionPlan &section : plan) {
        double time = SceneStartSecond(section.scene);
        int index = 0;
        for (const auto &[chord, beats] : section.bars) {
            bars.push_back({section.scene, time, beats, index++, int(section.bars.size()), chord});
            time += beats * BEAT;
        }
    }
    return bars;
}

// Chord tones placed in the octave from `low` up.
std::vector<int> Voicing(const Chord &chord, int low)
{
    std::vector<int> notes;
    for (int interval : chord.intervals) {
        int pitch = chord.root + interval;
        while (pitch < low)
            pitch += 12;
        while (pitch >= low + 12)
            pitch -= 12;
        notes.push_back(pitch);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

int BassNote(const Chord &chord) { return Voicing({chord.root, {0}}, 38)[0]; }

// A tune: start beat, length in beats and pitch, relative to its first bar.
struct TuneNote {
    double beat, beats;
    int pitch;
};

// The chorus over F G Em Am, sung twice with different endings.
const std::vector<TuneNote> CHORUS_A = {
    {0, 1.5, 72}, {1.5, 0.5, 69}, {2, 1, 72},  {3, 1, 74},  {4, 1.5, 76},  {5.5, 0.5, 74},  {6, 1, 71},  {7, 1, 67},
    {8, 1, 71},   {9, 1, 72},     {10, 1, 74}, {11, 1, 76}, {12, 2.5, 76}, {14.5, 0.5, 74}, {15, 1, 72},
};
const std::vector<TuneNote> CHORUS_B = {
    {0, 1.5, 72}, {1.5, 0.5, 69}, {2, 1, 72},  {3, 1, 77},  {4, 1.5, 76},  {5.5, 0.5, 74},  {6, 2, 79},
    {8, 1, 76},   {9, 1, 74},     {10, 1, 71}, {11, 1, 67}, {12, 1.5, 72}, {13.5, 0.5, 71}, {14, 2, 69},
};
// The drifting panels' tune over Am F C G.
const std::vector<TuneNote> DRIFT_TUNE = {
    {0, 1.5, 76}, {1.5, 0.5, 74}, {2, 2, 72},  {4, 1.5, 69}, {5.5, 0.5, 72}, {6, 2, 77},
    {8, 1.5, 76}, {9.5, 0.5, 74}, {10, 1, 72}, {11, 1, 67},  {12, 3, 74},    {15, 1, 71},
};
// The closing phrase over F G Am Am.
const std::vector<TuneNote> CLOSING = {
    {0, 1.5, 72}, {1.5, 0.5, 69}, {2, 1, 72},     {3, 1, 74},  {4, 1.5, 76}, {5.5, 0.5, 74},
    {6, 2, 71},   {8, 1.5, 76},   {9.5, 0.5, 74}, {10, 2, 72}, {12, 1, 71},  {13, 3, 69},
};
// The tunnel's falling line over Am G F E.
const std::vector<TuneNote> TUNNEL_LINE = {
    {0, 3, 76}, {3, 1, 74}, {4, 3, 74}, {7, 1, 72}, {8, 3, 72}, {11, 1, 71}, {12, 4, 71},
};

Patch PadPatch()
{
    Patch p;
    p.unison = 3;
    p.detuneCents = 14;
    p.amp = {0.35f, 1.0f, 0.8f, 0.7f};
    p.cutoff = 1800;
    p.resonance = 0.15f;
    p.gain = 0.065f;
    p.width = 0.9f;
    return p;
}

Patch BassPatch()
{
    Patch p;
    p.sub = 1.4f;
    p.amp = {0.004f, 0.25f, 0.6f, 0.05f};
    p.cutoff = 320;
    p.filterEnv = 1500;
    p.filterDecay = 0.09f;
    p.resonance = 0.3f;
    p.gain = 0.13f;
    return p;
}

Patch PluckPatch()
{
    Patch p;
    p.unison = 2;
    p.detuneCents = 8;
    p.amp = {0.002f, 0.16f, 0.0f, 0.1f};
    p.cutoff = 800;
    p.filterEnv = 3800;
    p.filterDecay = 0.08f;
    p.resonance = 0.35f;
    p.gain = 0.05f;
    return p;
}

Patch LeadPatch()
{
    Patch p;
    p.unison = 2;
    p.detuneCents = 9;
    p.amp = {0.012f, 0.3f, 0.75f, 0.16f};
    p.cutoff = 2600;
    p.filterEnv = 2200;
    p.filterDecay = 0.25f;
    p.resonance = 0.2f;
    p.vibratoCents = 18;
    p.gain = 0.075f;
    p.width = 0.3f;
    return p;
}

Patch SoftLeadPatch()
{
    Patch p;
    p.wave = Wave::Square;
    p.amp = {0.03f, 0.4f, 0.7f, 0.3f};
    p.cutoff = 1500;
    p.filterEnv = 900;
    p.filterDecay = 0.3f;
    p.vibratoCents = 14;
    p.gain = 0.07f;
    return p;
}

Patch RiffPatch()
{
    Patch p;
    p.amp = {0.002f, 0.12f, 0.3f, 0.05f};
    p.cutoff = 420;
    p.filterEnv = 2400;
    p.filterDecay = 0.07f;
    p.resonance = 0.72f;
    p.gain = 0.05f;
    return p;
}

class Score {
public:
    explicit Score(Mixer &mixer) : mixer_(mixer), humanise_(2024) {}

    void Play(const Bar &bar);
    void FinalChord(double time);
    const std::vector<double> &Kicks() const { return kicks_; }

private:
    double At(const Bar &bar, double beat) const { return bar.time + beat * BEAT; }
    // How far through its section the bar is, 0 .. 1.
    double Progress(const Bar &bar, double beat = 0) const
    {
        return (double(bar.index) + beat / 4) / double(bar.count);
    }
    float Vary(float velocity) { return velocity * (0.92f + 0.08f * humanise_.Next()); }
    Send Music(float pan, float reverb, float delay) { return {&mixer_, &mixer_.music, pan, reverb, delay}; }
    Send Drums(float pan, float reverb) { return {&mixer_, &mixer_.drums, pan, reverb, 0}; }

    void Pad(const Bar &bar, float velocity, float brightness, float reverb = 0.3f);
    void Bass(const Bar &bar, const char *pattern, float velocity, float brightness);
    void Arpeggio(const Bar &bar, double step, int low, float velocity, float brightness, float delay);
    void Bells(const Bar &bar, double step, int low, float velocity);
    void Tune(const Bar &bar, const std::vector<TuneNote> &tune, double fromBeat, const Patch &patch, float reverb,
              float delay, int transpose = 0);
    // A kick on every beat, up to `beats` (the bars before a new scene hold back).
    void FourOnTheFloor(const Bar &bar, int beats = 4);
    void Backbeat(const Bar &bar, bool clap, bool snare);
    void Hats(const Bar &bar, double step, float velocity, bool openOffbeats);
    void SnareRoll(const Bar &bar, double fromBeat, float from, float to);
    void Kick(double time, float velocity);

    Mixer &mixer_;
    Noise humanise_;
    uint32_t seed_ = 1;
    std::vector<double> kicks_;
};

void Score::Pad(const Bar &bar, float velocity, float brightness, float reverb)
{
    static const Patch pad = PadPatch();
    for (int pitch : Voicing(*bar.chord, 55))
        PlaySynth(pad, {bar.time, bar.beats * BEAT, pitch, velocity, brightness}, Music(0, reverb, 0), seed_++);
}

// One letter per eighth note: r root, o octave up, f fifth, - rest.
void Score::Bass(const Bar &bar, const char *pattern, float velocity, float brightness)
{
    static const Patch bass = BassPatch();
    const int root = BassNote(*bar.chord);
    for (int i = 0; pattern[i] && i < int(bar.beats * 2); i++) {
        int offset = pattern[i] == 'o' ? 12 : pattern[i] == 'f' ? 7 : pattern[i] == 'r' ? 0 : -1;
        if (offset < 0)
            continue;
        int length = 1;
        while (pattern[i + length] == '_')
            length++;
        PlaySynth(bass, {At(bar, i * 0.5), length * 0.5 * BEAT * 0.9, root + offset, Vary(velocity), brightness},
                  Music(0, 0.02f, 0), seed_++);
    }
}

// Chord tones up and down, `step` beats apart.
void Score::Arpeggio(const Bar &bar, double step, int low, float velocity, float brightness, float delay)
{
    static const Patch pluck = PluckPatch();
    std::vector<int> tones = Voicing(*bar.chord, low);
    tones.push_back(tones[0] + 12);
    const int order[] = {0, 1, 2, 3, 2, 1, 3, 2};
    int n = 0;
    for (double beat = 0; beat < bar.beats - 1e-9; beat += step, n++) {
        float accent = n % 4 == 0 ? 1.0f : 0.75f;
        PlaySynth(pluck,
                  {At(bar, beat), step * BEAT * 0.8, tones[size_t(order[n % 8]) % tones.size()],
                   Vary(velocity * accent), brightness},
                  Music(n % 2 ? 0.45f : -0.45f, 0.2f, delay), seed_++);
    }
}

void Score::Bells(const Bar &bar, double step, int low, float velocity)
{
    std::vector<int> tones = Voicing(*bar.chord, low);
    tones.push_back(tones[0] + 12);
    int n = 0;
    for (double beat = 0; beat < bar.beats - 1e-9; beat += step, n++)
        PlayBell({At(bar, beat), step * BEAT, tones[size_t(n) % tones.size()], Vary(velocity)}, 3.5f, 0.14f,
                 Music(n % 2 ? -0.35f : 0.35f, 0.35f, 0.3f));
}

// Plays the part of the tune that falls in this bar; `fromBeat` is the bar's
// beat within the tune.
void Score::Tune(const Bar &bar, const std::vector<TuneNote> &tune, double fromBeat, const Patch &patch, float reverb,
                 float delay, int transpose)
{
    for (const TuneNote &n : tune)
        if (n.beat >= fromBeat && n.beat < fromBeat + bar.beats)
            PlaySynth(patch, {At(bar, n.beat - fromBeat), n.beats * BEAT * 0.95, n.pitch + transpose, Vary(0.9f)},
                      Music(0, reverb, delay), seed_++);
}

void Score::Kick(double time, float velocity)
{
    PlayKick(time, velocity, Drums(0, 0.02f));
    kicks_.push_back(time);
}

void Score::FourOnTheFloor(const Bar &bar, int beats)
{
    for (int beat = 0; beat < std::min(beats, int(bar.beats)); beat++)
        Kick(At(bar, beat), beat % 2 ? 0.92f : 1.0f);
}

void Score::Backbeat(const Bar &bar, bool clap, bool snare)
{
    for (int beat = 1; beat < int(bar.beats); beat += 2) {
        if (clap)
            PlayClap(At(bar, beat), Vary(0.8f), Drums(0.1f, 0.25f), seed_++);
        if (snare)
            PlaySnare(At(bar, beat), Vary(0.8f), Drums(-0.05f, 0.15f), seed_++);
    }
}

void Score::Hats(const Bar &bar, double step, float velocity, bool openOffbeats)
{
    int n = 0;
    for (double beat = 0; beat < bar.beats - 1e-9; beat += step, n++) {
        bool offbeat = std::fabs(beat - std::floor(beat) - 0.5) < 1e-9;
        bool open = openOffbeats && offbeat;
        float accent = offbeat ? 1.0f : 0.6f;
        PlayHat(At(bar, beat), Vary(velocity * accent), open, Drums(0.3f, 0.05f), seed_++);
    }
}

void Score::SnareRoll(const Bar &bar, double fromBeat, float from, float to)
{
    const double end = bar.beats;
    for (double beat = fromBeat; beat < end - 1e-9; beat += 0.25) {
        float x = float((beat - fromBeat) / (end - fromBeat));
        PlaySnare(At(bar, beat), from + (to - from) * x, Drums(0, 0.2f), seed_++);
    }
}

void Score::Play(const Bar &bar)
{
    static const Patch lead = LeadPatch(), softLead = SoftLeadPatch(), riff = RiffPatch();
    const bool last = bar.index == bar.count - 1;
    switch (bar.section) {
    case SCENE_TITLE: {
        // The pad opens up slowly under a bell arpeggio.
        float p = float(Progress(bar));
        Pad(bar, 1.0f, 0.5f + 0.5f * p, 0.4f);
        Bells(bar, 1, 69, 0.7f + 0.3f * p);
        if (last)
            PlayRiser(bar.time, bar.time + 2, 0.7f, true, Music(0, 0.3f, 0), seed_++);
        break;
    }
    case SCENE_CREATORS:
        Pad(bar, 0.8f, 1.0f);
        Bells(bar, 0.5, 69, 0.55f);
        // The kick and bass alone; the hats wait for the rotozoomer.
        FourOnTheFloor(bar, last ? 2 : 4);
        Bass(bar, "-r-r-r-o", 0.9f, 0.6f);
        if (last) {
            SnareRoll(bar, 0, 0.15f, 0.8f);
            PlayRiser(bar.time - 2, bar.time + 2, 0.8f, false, Music(0, 0.3f, 0), seed_++);
        }
        break;
    case SCENE_ROTOZOOMER:
        if (bar.index == 0)
            PlayCrash(bar.time, 0.9f, Drums(0, 0.3f), seed_++);
        Pad(bar, 0.55f, 1.0f);
        Arpeggio(bar, 0.25, 64, 0.8f, 1.0f, 0.25f);
        FourOnTheFloor(bar, bar.beats < 4 ? 1 : 4);
        if (bar.beats < 4) { // the short bar before the tunnel: a snare roll
            SnareRoll(bar, 0, 0.4f, 1.0f);
            Bass(bar, "r_o_", 0.9f, 1.0f);
            break;
        }
        Backbeat(bar, true, false);
        Hats(bar, 0.25, 0.5f, true);
        Bass(bar, "rrorrorr", 0.9f, 1.0f);
        break;
    case SCENE_TUNNEL: {
        // The riff's filter opens over the whole section, like speed building up.
        if (bar.index == 0)
            PlayCrash(bar.time, 1.0f, Drums(0, 0.3f), seed_++);
        Pad(bar, 0.5f, 0.7f);
        FourOnTheFloor(bar, last ? 2 : 4);
        if (bar.index % 2 == 1 && !last)
            Kick(At(bar, 3.75), 0.7f);
        Backbeat(bar, true, true);
        Hats(bar, 0.25, 0.6f, true);
        Bass(bar, "rorrorro", 0.95f, 1.3f);
        std::vector<int> tones = Voicing(*bar.chord, 57);
        const int tone[16] = {0, 0, 2, 0, 1, 0, 2, 0, 0, 0, 2, 0, 1, 2, 2, 0};
        const int octave[16] = {0, 1, 0, 1, 0, 1, 0, 2, 0, 1, 0, 1, 0, 1, 0, 1};
        for (int i = 0; i < 16; i++) {
            int pitch = tones[size_t(tone[i])] + 12 * octave[i];
            float brightness = float(0.45 + 2.2 * Progress(bar, i * 0.25));
            PlaySynth(riff, {At(bar, i * 0.25), 0.25 * BEAT * 0.7, pitch, Vary(i % 4 == 0 ? 1.0f : 0.7f), brightness},
                      Music(0, 0.08f, 0.15f), seed_++);
        }
        if (bar.index >= 4 && bar.index < 8)
            Tune(bar, TUNNEL_LINE, (bar.index - 4) * 4, lead, 0.3f, 0.25f);
        if (last) {
            PlayRiser(bar.time, bar.time + 2, 0.8f, false, Music(0, 0.3f, 0), seed_++);
            SnareRoll(bar, 2, 0.3f, 0.9f);
        }
        break;
    }
    case SCENE_HEART_CUBE:
        if (bar.index == 0 || bar.index == 8)
            PlayCrash(bar.time, 1.0f, Drums(0, 0.3f), seed_++);
        Pad(bar, 0.6f, 1.2f);
        Arpeggio(bar, 0.5, 72, 0.5f, 1.3f, 0.35f);
        FourOnTheFloor(bar, bar.beats < 4 ? 1 : 4);
        if (bar.beats < 4) { // the short bar before the pink picture
            SnareRoll(bar, 0, 0.4f, 1.0f);
            Bass(bar, "r_o_", 0.9f, 1.0f);
            PlayRiser(bar.time - 1, bar.time + 1, 0.6f, false, Music(0, 0.3f, 0), seed_++);
            break;
        }
        Backbeat(bar, true, true);
        Hats(bar, 0.25, 0.55f, true);
        Bass(bar, "rorrofro", 1.0f, 1.2f);
        // The tune twice: first and second endings, then the first again.
        if (bar.index < 4)
            Tune(bar, CHORUS_A, bar.index * 4, lead, 0.3f, 0.3f);
        else if (bar.index < 8)
            Tune(bar, CHORUS_B, (bar.index - 4) * 4, lead, 0.3f, 0.3f);
        else
            Tune(bar, CHORUS_A, (bar.index - 8) * 4, lead, 0.3f, 0.3f, 12);
        break;
    case SCENE_PINK:
        Pad(bar, 1.0f, 0.9f, 0.55f);
        Bells(bar, 0.5, 72, 0.8f);
        Tune(bar, {{0, 4, 76}, {4, 4, 74}, {8, 4, 72}, {12, 4, 71}}, bar.index * 4, softLead, 0.5f, 0.3f);
        Bass(bar, "r_______", 0.6f, 0.4f);
        if (last)
            PlayRiser(bar.time, bar.time + 2, 0.8f, true, Music(0, 0.3f, 0), seed_++);
        break;
    case SCENE_INTERLUDE:
        // Half time: the kick on one and the and of three, the snare on three.
        if (bar.index == 0)
            PlayCrash(bar.time, 0.9f, Drums(0, 0.3f), seed_++);
        Pad(bar, 0.6f, 1.0f, 0.4f);
        Kick(At(bar, 0), 1.0f);
        Kick(At(bar, 2.5), 0.8f);
        if (bar.index % 2 == 1)
            Kick(At(bar, 1.75), 0.6f);
        PlaySnare(At(bar, 2), 0.85f, Drums(0, 0.3f), seed_++);
        PlayClap(At(bar, 2), 0.6f, Drums(0.1f, 0.3f), seed_++);
        Hats(bar, 0.5, 0.5f, false);
        Bass(bar, "r___r_o_", 0.9f, 0.8f);
        if (bar.index < 8)
            Tune(bar, DRIFT_TUNE, (bar.index % 4) * 4, softLead, 0.35f, 0.4f, bar.index >= 4 ? 12 : 0);
        else
            Tune(bar, {{0, 2, 71}, {2, 2, 68}}, 0, softLead, 0.35f, 0.4f);
        break;
    case SCENE_END: {
        // No drums: the filter closes slowly while the tune says goodbye.
        if (bar.index == 0)
            PlayCrash(bar.time, 0.7f, Drums(0, 0.4f), seed_++);
        float p = float(Progress(bar));
        Pad(bar, 1.0f, 1.0f - 0.5f * p, 0.5f);
        Bass(bar, "r_______", 0.8f, 0.6f);
        Bells(bar, 1, 69, 0.6f);
        Tune(bar, CLOSING, bar.index * 4, lead, 0.4f, 0.35f);
        break;
    }
    }
}

void Score::FinalChord(double time)
{
    Patch pad = PadPatch();
    pad.amp.release = 1.6f;
    for (int pitch : Voicing(Am, 55))
        PlaySynth(pad, {time, 2.5, pitch, 1.0f, 0.8f}, Music(0, 0.6f, 0), seed_++);
    Patch bass = BassPatch();
    bass.amp = {0.004f, 1.2f, 0.0f, 0.8f};
    PlaySynth(bass, {time, 2.0, 33, 0.9f, 0.5f}, Music(0, 0.1f, 0), seed_++);
    PlayBell({time, 2.0, 81, 0.6f}, 3.5f, 0.09f, Music(0, 0.5f, 0.3f));
    PlayBell({time, 2.0, 76, 0.5f}, 3.5f, 0.09f, Music(0, 0.5f, 0.3f));
    PlayCrash(time, 0.8f, Drums(0, 0.5f), seed_++);
    PlayKick(time, 0.9f, Drums(0, 0.3f));
}

// The music bus dips under each kick, which lets the kick through and makes
// the pad and bass breathe with the beat.
std::vector<float> Ducking(const std::vector<double> &kicks, size_t frames)
{
    std::vector<float> gain(frames, 1.0f);
    std::vector<double> sorted = kicks;
    std::sort(sorted.begin(), sorted.end());
    for (size_t k = 0; k < sorted.size(); k++) {
        size_t start = size_t(sorted[k] * SAMPLE_RATE);
        size_t end = k + 1 < sorted.size() ? size_t(sorted[k + 1] * SAMPLE_RATE) : frames;
        for (size_t i = start; i < std::min(end, frames); i++) {
            double t = double(i - start) / SAMPLE_RATE;
            double dip = 0.45 * std::exp(-t / 0.11) * std::min(1.0, t / 0.005);
            gain[i] = float(1.0 - dip);
        }
    }
    return gain;
}

} // namespace

std::vector<int16_t> RenderSoundtrack()
{
    const size_t frames = size_t(LENGTH * SAMPLE_RATE);
    Mixer mixer(frames);
    Score score(mixer);
    for (const Bar &bar : LayOutBars())
        score.Play(bar);
    score.FinalChord(110.0);

    const std::vector<float> duck = Ducking(score.Kicks(), frames);
    const Stereo room = Reverberate(mixer.reverb, 0.86f, 0.35f);
    const Stereo echo = Echo(mixer.delay, 0.75 * BEAT, 0.42f);

    std::vector<float> mix(frames * 2);
    float peak = 0;
    for (size_t i = 0; i < frames; i++) {
        float l = mixer.drums.left[i] + mixer.music.left[i] * duck[i] + room.left[i] + echo.left[i] * 0.7f;
        float r = mixer.drums.right[i] + mixer.music.right[i] * duck[i] + room.right[i] + echo.right[i] * 0.7f;
        const double t = double(i) / SAMPLE_RATE;
        if (t > FADE_START) {
            float fade = float(0.5 + 0.5 * std::cos(3.14159265358979 * (t - FADE_START) / (LENGTH - FADE_START)));
            l *= fade;
            r *= fade;
        }
        mix[2 * i] = l;
        mix[2 * i + 1] = r;
        peak = std::max({peak, std::fabs(l), std::fabs(r)});
    }
    // Loud but clear of clipping, with room for the encoder's overshoot.
    const float scale = peak > 0 ? 0.8f / peak : 1.0f;
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); i++)
        pcm[i] = int16_t(std::lround(mix[i] * scale * 32767.0f));
    return pcm;
}

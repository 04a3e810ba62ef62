// dune/music.mp3: the tune of play, 32 bars at 140 beats a minute in A minor (54.9 s),
// and null.mp3, one second of silence that the game plays to stop the music.
//
// The tune loops. Everything is rendered into a circular buffer one loop long: a note or an
// echo that rings past the end continues at the start, so the last sample flows into the
// first exactly. The loop is then turned a few samples so that it starts where both
// channels are at a zero crossing; the game restarts the file itself, and should it leave
// a short pause there, the cut is between two near-silent samples rather than a click.
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "generators.h"
#include "noise.h"
#include "synth.h"

namespace qvt::media {

namespace {

constexpr int kRate = 44100;
constexpr int kStep = 4725;  // a sixteenth at 140 bpm, a whole number of samples
constexpr int kStepsPerBar = 16;
constexpr int kBars = 32;
constexpr std::size_t kLength = static_cast<std::size_t>(kBars) * kStepsPerBar * kStep;
constexpr double kStepSeconds = double(kStep) / kRate;

// ---- The score -------------------------------------------------------------------------

// One chord per bar: A sections, the answer, the bridge, the A section again.
constexpr std::string_view kChords =
    "Am F C G Am F G E "
    "Am F C G Am F G E "
    "F G Em Am F G Am E "
    "Am F C G Am F G E";

// Lead melody, one line per bar: note names with the octave, '.', length in sixteenths;
// "r" rests.
constexpr std::string_view kThemeA[8] = {
    "E5.2 A5.2 r.1 A5.1 G5.2 A5.4 C6.2 B5.2", "A5.6 F5.2 G5.2 A5.2 C6.2 A5.2",
    "G5.4 E5.2 C5.2 E5.2 G5.2 C6.2 E6.2",      "D6.6 B5.2 G5.4 r.2 D5.2",
    "E5.2 A5.2 r.1 A5.1 G5.2 A5.4 C6.2 D6.2", "E6.4 D6.2 C6.2 A5.4 C6.4",
    "B5.4 D6.2 B5.2 G5.4 A5.2 B5.2",           "G#5.8 E5.4 B4.4",
};
constexpr std::string_view kAnswer[8] = {
    "A5.3 C6.3 E6.2 D6.2 C6.2 B5.2 C6.2", "A5.6 r.2 A5.2 C6.2 F6.4",
    "E6.3 D6.3 C6.2 G5.4 E5.4",           "D5.2 G5.2 B5.2 D6.2 G6.6 r.2",
    "E6.3 D6.3 C6.2 A5.4 E5.4",           "F5.2 A5.2 C6.2 F6.2 E6.4 C6.4",
    "D6.4 B5.4 G5.4 B5.2 D6.2",           "E6.12 r.4",
};
constexpr std::string_view kBridge[8] = {
    "C6.8 A5.4 F5.4",           "D6.8 B5.4 G5.4",      "E6.6 G6.2 E6.4 B5.4", "C6.12 A5.4",
    "A5.4 C6.4 F6.4 E6.2 D6.2", "D6.6 B5.2 G5.4 B5.4", "C6.4 E6.4 A6.8",      "G#6.6 F#6.2 E6.4 D6.2 B5.2",
};

struct Note {
    int step;       // from the start of the loop
    int length;     // sixteenths
    double pitch;   // MIDI note
    double level;   // 0..1
};

struct Chord {
    int root;   // pitch class, 0 = C
    bool minor;
};

int pitchClass(char letter) {
    constexpr int classes[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    return classes[letter - 'A'];
}

std::vector<Chord> parseChords() {
    std::vector<Chord> chords;
    std::size_t at = 0;
    while (at < kChords.size()) {
        const std::size_t end = std::min(kChords.find(' ', at), kChords.size());
        const std::string_view name = kChords.substr(at, end - at);
        chords.push_back({pitchClass(name[0]), name.size() > 1 && name[1] == 'm'});
        at = end + 1;
    }
    return chords;
}

// "G#5.8" -> pitch 80, length 8; "r.2" -> pitch -1.
void parseToken(std::string_view token, double& pitch, int& length) {
    const std::size_t dot = token.find('.');
    length = std::stoi(std::string(token.substr(dot + 1)));
    if (token[0] == 'r') {
        pitch = -1.0;
        return;
    }
    const bool sharp = token[1] == '#';
    const int octave = token[sharp ? 2 : 1] - '0';
    pitch = 12 * (octave + 1) + pitchClass(token[0]) + (sharp ? 1 : 0);
}

void appendBar(std::vector<Note>& notes, std::string_view bar, int barIndex) {
    int step = barIndex * kStepsPerBar;
    std::size_t at = 0;
    while (at < bar.size()) {
        const std::size_t end = std::min(bar.find(' ', at), bar.size());
        double pitch;
        int length;
        parseToken(bar.substr(at, end - at), pitch, length);
        if (pitch >= 0.0) notes.push_back({step, length, pitch, 1.0});
        step += length;
        at = end + 1;
    }
}

std::vector<Note> melody() {
    std::vector<Note> notes;
    for (int i = 0; i < 8; ++i) {
        appendBar(notes, kThemeA[i], i);
        appendBar(notes, kAnswer[i], 8 + i);
        appendBar(notes, kBridge[i], 16 + i);
        appendBar(notes, kThemeA[i], 24 + i);
    }
    return notes;
}

// Driving octave bass in eighths.
std::vector<Note> bassLine(const std::vector<Chord>& chords) {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        const int root = 40 + (chords[bar].root + 8) % 12;  // E2 .. D#3
        for (int e = 0; e < 8; ++e) notes.push_back({bar * 16 + e * 2, 2, double(root + (e % 2 ? 12 : 0)), e % 4 == 0 ? 1.0 : 0.8});
    }
    return notes;
}

// Sixteenth arpeggios over the chord: rising in the A sections, up and down in the bridge.
std::vector<Note> arpeggio(const std::vector<Chord>& chords) {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = chords[bar];
        const int base = 64 + (c.root + 8) % 12;  // E4 .. D#5
        const int tones[4] = {base, base + (c.minor ? 3 : 4), base + 7, base + 12};
        const bool bridge = bar >= 16 && bar < 24;
        for (int s = 0; s < 16; ++s) {
            const int i = bridge ? (s % 6 < 4 ? s % 6 : 6 - s % 6) : s % 4;
            notes.push_back({bar * 16 + s, 1, double(tones[i]), s % 4 == 0 ? 1.0 : 0.7});
        }
    }
    return notes;
}

std::vector<Note> padChords(const std::vector<Chord>& chords) {
    std::vector<Note> notes;
    for (int bar = 16; bar < 24; ++bar) {
        const Chord& c = chords[bar];
        const int base = 57 + (c.root + 3) % 12;  // A3 .. G#4
        for (int t : {0, c.minor ? 3 : 4, 7}) notes.push_back({bar * 16, 16, double(base + t), 1.0});
    }
    return notes;
}

// ---- The circular mix --------------------------------------------------------------------

struct Stereo {
    std::vector<float> left = std::vector<float>(kLength, 0.f);
    std::vector<float> right = std::vector<float>(kLength, 0.f);

    // Equal-power pan, -1 left .. 1 right; the index wraps around the loop.
    void add(std::size_t index, double value, double pan) {
        const double angle = (pan + 1.0) * kTwoPi / 8.0;
        left[index % kLength] += static_cast<float>(value * std::cos(angle));
        right[index % kLength] += static_cast<float>(value * std::sin(angle));
    }
};

std::size_t startOf(const Note& n) { return static_cast<std::size_t>(n.step) * kStep; }

void renderBass(Stereo& mix, const std::vector<Note>& notes) {
    for (const Note& n : notes) {
        Svf filter;
        double saw = 0.0, square = 0.0;
        const double hz = midiHz(n.pitch), dt = hz / kRate;
        const double gate = n.length * kStepSeconds * 0.7;
        for (std::size_t i = 0; i < static_cast<std::size_t>((gate + 0.03) * kRate); ++i) {
            const double t = double(i) / kRate;
            saw = std::fmod(saw + dt, 1.0);
            square = std::fmod(square + dt * 0.5, 1.0);
            const double raw = 0.7 * sawWave(saw, dt) + 0.5 * pulseWave(square, dt * 0.5, 0.5);
            const double cutoff = 260.0 + 1900.0 * decay(t, 0.07) * n.level;
            const double s = filter.process(raw, cutoff, 1.3, kRate).low;
            mix.add(startOf(n) + i, 0.3 * n.level * gateEnvelope(t, 0.002, gate, 0.03) * s, 0.0);
        }
    }
}

void renderArpeggio(Stereo& dry, const std::vector<Note>& notes) {
    for (std::size_t k = 0; k < notes.size(); ++k) {
        const Note& n = notes[k];
        Svf filter;
        double phase = 0.0;
        const double dt = midiHz(n.pitch) / kRate;
        const double gate = kStepSeconds * 0.85;
        for (std::size_t i = 0; i < static_cast<std::size_t>((gate + 0.02) * kRate); ++i) {
            const double t = double(i) / kRate;
            phase = std::fmod(phase + dt, 1.0);
            const double s = filter.process(pulseWave(phase, dt, 0.25), 4200.0, 0.8, kRate).low;
            const double env = gateEnvelope(t, 0.001, gate, 0.02) * decay(t, 0.075);
            dry.add(startOf(n) + i, 0.11 * n.level * env * s, k % 2 ? 0.35 : -0.35);
        }
    }
}

void renderLead(Stereo& dry, const std::vector<Note>& notes) {
    for (const Note& n : notes) {
        Svf filter;
        double a = 0.0, b = 0.0, sub = 0.0;
        const double gate = n.length * kStepSeconds * 0.94;
        for (std::size_t i = 0; i < static_cast<std::size_t>((gate + 0.09) * kRate); ++i) {
            const double t = double(i) / kRate;
            // Vibrato only on held notes, fading in after the attack.
            const double vibrato = 0.16 * std::sin(kTwoPi * 5.6 * t) * std::clamp((t - 0.16) / 0.2, 0.0, 1.0);
            const double hz = midiHz(n.pitch + vibrato);
            a = std::fmod(a + hz * 1.0035 / kRate, 1.0);
            b = std::fmod(b + hz * 0.9965 / kRate, 1.0);
            sub = std::fmod(sub + hz * 0.5 / kRate, 1.0);
            const double raw = sawWave(a, hz / kRate) + sawWave(b, hz / kRate) + 0.5 * pulseWave(sub, hz * 0.5 / kRate, 0.5);
            const double cutoff = 2200.0 + 3000.0 * decay(t, 0.12);
            const double s = filter.process(raw, cutoff, 0.9, kRate).low;
            dry.add(startOf(n) + i, 0.15 * gateEnvelope(t, 0.008, gate, 0.08) * s, 0.0);
        }
    }
}

void renderPad(Stereo& mix, const std::vector<Note>& notes) {
    for (std::size_t k = 0; k < notes.size(); ++k) {
        const Note& n = notes[k];
        Svf filter;
        double phases[3] = {0.0, 0.33, 0.67};
        const double gate = n.length * kStepSeconds;
        for (std::size_t i = 0; i < static_cast<std::size_t>((gate + 0.3) * kRate); ++i) {
            const double t = double(i) / kRate;
            double raw = 0.0;
            for (int v = 0; v < 3; ++v) {
                const double hz = midiHz(n.pitch + (v - 1) * 0.1);
                phases[v] = std::fmod(phases[v] + hz / kRate, 1.0);
                raw += sawWave(phases[v], hz / kRate);
            }
            const double s = filter.process(raw, 1300.0, 0.7, kRate).low;
            mix.add(startOf(n) + i, 0.035 * gateEnvelope(t, 0.18, gate, 0.3) * s, (double(k % 3) - 1.0) * 0.5);
        }
    }
}

// ---- Drums ---------------------------------------------------------------------------------

void kick(Stereo& mix, std::size_t at, double level) {
    double phase = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.32 * kRate); ++i) {
        const double t = double(i) / kRate;
        phase = std::fmod(phase + (48.0 + 130.0 * decay(t, 0.028)) / kRate, 1.0);
        const double body = std::sin(kTwoPi * phase) * decay(t, 0.16) * std::min(1.0, (0.32 - t) / 0.02);
        mix.add(at + i, 0.5 * level * std::tanh(1.5 * body), 0.0);
    }
}

// Noise through a filter with a decay; hats, snare and crash differ only in their numbers.
void noiseHit(Stereo& mix, std::size_t at, double level, double seconds, double tau, double cutoff, bool high,
              double pan, std::uint64_t seed) {
    Rng rng(seed);
    Svf filter;
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * kRate); ++i) {
        const double t = double(i) / kRate;
        const Svf::Out f = filter.process(rng.bipolar(), cutoff, 0.8, kRate);
        const double fade = std::min(1.0, (seconds - t) / 0.01);
        mix.add(at + i, level * (high ? f.high : f.band) * decay(t, tau) * fade, pan);
    }
}

void snare(Stereo& mix, std::size_t at, double level, std::uint64_t seed) {
    noiseHit(mix, at, 0.34 * level, 0.25, 0.07, 2200.0, false, 0.05, seed);
    noiseHit(mix, at, 0.12 * level, 0.2, 0.05, 6000.0, true, 0.05, seed + 1);
    double phase = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.12 * kRate); ++i) {
        const double t = double(i) / kRate;
        phase = std::fmod(phase + (180.0 + 60.0 * decay(t, 0.01)) / kRate, 1.0);
        mix.add(at + i, 0.22 * level * std::sin(kTwoPi * phase) * decay(t, 0.04), 0.05);
    }
}

void renderDrums(Stereo& mix) {
    std::uint64_t seed = 1;
    for (int bar = 0; bar < kBars; ++bar) {
        const bool fillBar = bar % 8 == 7;
        for (int s = 0; s < 16; ++s) {
            const std::size_t at = static_cast<std::size_t>(bar * 16 + s) * kStep;
            if (s % 4 == 0) kick(mix, at, s == 0 ? 1.0 : 0.9);
            const bool fill = fillBar && (bar % 16 == 15 ? s >= 8 && (s >= 12 || s % 2 == 0) : s >= 12);
            if (s == 4 || s == 12) snare(mix, at, 1.0, seed++);
            else if (fill) snare(mix, at, 0.45 + 0.04 * s, seed++);
            const bool offbeat = s % 4 == 2;
            noiseHit(mix, at, offbeat ? 0.16 : 0.07, offbeat ? 0.16 : 0.05, offbeat ? 0.05 : 0.018, 8000.0, true,
                     0.3, seed++);
            if (s == 0 && bar % 8 == 0) noiseHit(mix, at, 0.16, 1.6, 0.45, 5000.0, true, -0.2, seed++);
        }
    }
}

// ---- Echo, master, loop point ----------------------------------------------------------------

// Ping-pong echo of a dotted eighth, computed as a sum of its repeats around the loop.
void addEcho(Stereo& mix, const Stereo& dry, double wet) {
    const std::size_t delay = 3 * kStep;
    for (std::size_t i = 0; i < kLength; ++i) {
        mix.left[i] += dry.left[i];
        mix.right[i] += dry.right[i];
    }
    double gain = wet;
    for (int repeat = 1; repeat <= 10; ++repeat, gain *= 0.42) {
        const std::size_t shift = repeat * delay;
        for (std::size_t i = 0; i < kLength; ++i) {
            const std::size_t from = (i + kLength - shift % kLength) % kLength;
            const float mono = 0.5f * (dry.left[from] + dry.right[from]);
            (repeat % 2 ? mix.right : mix.left)[i] += static_cast<float>(gain * mono);
        }
    }
}

// Sample where the loop should begin: close to the downbeat, both channels near zero on
// both sides of the cut.
std::size_t quietestCut(const Stereo& mix) {
    std::size_t best = 0;
    float bestLevel = 1e9f;
    for (int offset = -200; offset <= 200; ++offset) {
        const std::size_t i = (kLength + offset) % kLength, before = (i + kLength - 1) % kLength;
        const float level = std::fabs(mix.left[i]) + std::fabs(mix.right[i]) + std::fabs(mix.left[before]) +
                            std::fabs(mix.right[before]);
        if (level < bestLevel) bestLevel = level, best = i;
    }
    return best;
}

std::vector<float> masterLoop() {
    const std::vector<Chord> chords = parseChords();
    Stereo mix, dry;
    renderDrums(mix);
    renderBass(mix, bassLine(chords));
    renderPad(mix, padChords(chords));
    renderArpeggio(dry, arpeggio(chords));
    renderLead(dry, melody());
    addEcho(mix, dry, 0.3);
    const std::size_t cut = quietestCut(mix);
    std::vector<float> interleaved(2 * kLength);
    for (std::size_t i = 0; i < kLength; ++i) {
        // A gentle saturation keeps the drum peaks from setting the level of the whole tune.
        interleaved[2 * i] = std::tanh(1.3f * mix.left[(cut + i) % kLength]);
        interleaved[2 * i + 1] = std::tanh(1.3f * mix.right[(cut + i) % kLength]);
    }
    normalisePeak(interleaved, 0.85f);
    return interleaved;
}

// ---- MP3 ---------------------------------------------------------------------------------------

// CBR with the Info frame that carries the encoder delay and padding, so that decoders
// that honour it return exactly the loop; no ID3 tags, nothing that varies between runs.
bool encodeMp3(const std::string& path, const std::vector<float>& samples, int channels, int kbps) {
    std::vector<std::int16_t> pcm = toPcm16(samples);
    const int frames = static_cast<int>(pcm.size() / channels);
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) return false;
    lame_set_in_samplerate(lame, kRate);
    lame_set_out_samplerate(lame, kRate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 2 ? JOINT_STEREO : MONO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    std::vector<unsigned char> mp3(static_cast<std::size_t>(frames) * 5 / 4 + 16384);
    int used = -1;
    if (lame_init_params(lame) == 0) {
        used = channels == 2 ? lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), int(mp3.size()))
                             : lame_encode_buffer(lame, pcm.data(), pcm.data(), frames, mp3.data(), int(mp3.size()));
        if (used >= 0) {
            const int tail = lame_encode_flush(lame, mp3.data() + used, int(mp3.size()) - used);
            used = tail < 0 ? -1 : used + tail;
        }
    }
    if (used >= 0) {
        unsigned char tag[2048];
        const std::size_t tagBytes = lame_get_lametag_frame(lame, tag, sizeof tag);
        if (tagBytes > 0 && tagBytes <= static_cast<std::size_t>(used)) std::copy(tag, tag + tagBytes, mp3.begin());
    }
    lame_close(lame);
    std::FILE* out = used < 0 ? nullptr : std::fopen(path.c_str(), "wb");
    bool ok = out != nullptr && std::fwrite(mp3.data(), 1, static_cast<std::size_t>(used), out) == std::size_t(used);
    if (out != nullptr) ok = std::fclose(out) == 0 && ok;
    if (!ok) std::fprintf(stderr, "mediagen: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

bool makeMusic(const std::string& mediaDir) {
    bool ok = encodeMp3(mediaDir + "/dune/music.mp3", masterLoop(), 2, 160);
    ok = encodeMp3(mediaDir + "/null.mp3", std::vector<float>(kRate, 0.f), 1, 32) && ok;
    return ok;
}

}  // namespace qvt::media

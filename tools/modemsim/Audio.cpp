#include "Audio.h"
#include "Hex.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace {
const double Pi = 3.14159265358979323846;

// 0 dBm0 is 3.17 dB below full scale (peak of a sine).
double Peak(double dbm0) { return std::pow(10.0, (dbm0 - 3.17) / 20.0); }

class SilenceSegment : public Segment {
public:
  explicit SilenceSegment(bool dither = false) : Dither(dither), Rng(3) {}
  void Fill(double* out, int n) override {
    // Dither: one sample in 20 is one 8-bit step off, an sd of about 0.22 steps.
    std::uniform_int_distribution<int> d(0, 39);
    for (int i = 0; i < n; ++i) {
      int k = Dither ? d(Rng) : 2;
      out[i] = k == 0 ? 1.0 / 128 : k == 1 ? -1.0 / 128 : 0;
    }
  }
  bool Silent() const override { return true; }
  bool Dither;
  std::mt19937 Rng;
};

class NoiseSegment : public Segment {
public:
  explicit NoiseSegment(double dbm0) : Rms(Peak(dbm0) / std::sqrt(2.0)), Rng(7) {}
  void Fill(double* out, int n) override {
    std::normal_distribution<double> g(0, Rms);
    for (int i = 0; i < n; ++i) out[i] = g(Rng);
  }
  double Rms;
  std::mt19937 Rng;
};

// Band-limited noise in syllables (about 4 Hz) with short pauses: loud enough, never periodic.
class SynthSpeech : public Segment {
public:
  explicit SynthSpeech(int rate) : Rate(rate), Rng(11) {}
  void Fill(double* out, int n) override {
    std::normal_distribution<double> g(0, 1);
    std::uniform_real_distribution<double> u(0, 1);
    // Talk spurts at the power of a -15 dBm0 tone; 1.75 makes up for what the band-pass and the
    // envelope take (measured).
    const double gain = 1.75 * Peak(-15) / std::sqrt(2.0);
    const double lp = std::exp(-2 * Pi * 3000.0 / Rate), hp = std::exp(-2 * Pi * 300.0 / Rate);
    for (int i = 0; i < n; ++i) {
      if (Left <= 0) {
        Talking = !Talking;
        Left = Talking ? long(Rate * (0.4 + 0.8 * u(Rng))) : long(Rate * (0.1 + 0.2 * u(Rng)));
        Phase = 0;
      }
      --Left;
      if (!Talking) {
        out[i] = 0;
        continue;
      }
      Low = (1 - lp) * g(Rng) + lp * Low;  // low-pass
      High = hp * (High + Low - Prev);     // high-pass
      Prev = Low;
      Phase += 4.0 / Rate;
      double env = std::fabs(std::sin(Pi * Phase));
      out[i] = High * gain * (0.25 + 0.75 * env);
    }
  }
  int Rate;
  std::mt19937 Rng;
  bool Talking = false;
  long Left = 0;
  double Phase = 0, Low = 0, High = 0, Prev = 0;
};

class WavSpeech : public Segment {
public:
  explicit WavSpeech(std::vector<double> s) : Samples(std::move(s)) {}
  void Fill(double* out, int n) override {
    for (int i = 0; i < n; ++i) out[i] = Pos < Samples.size() ? Samples[Pos++] : 0;
  }
  std::vector<double> Samples;
  size_t Pos = 0;
};

// One or two frequencies, optionally in an on/off cadence, with a frequency offset and jitter.
class ToneSegment : public Segment {
public:
  ToneSegment(std::vector<double> freqs, double dbm0, std::vector<int> cadenceMs, double ppm, int jitterMs, int rate,
              char event)
      : Freqs(std::move(freqs)), Cadence(std::move(cadenceMs)), Jitter(jitterMs), Rate(rate), Event(event), Rng(5) {
    for (double& f : Freqs) f *= 1 + ppm / 1e6;
    Amp = Peak(dbm0) / double(Freqs.size());
    Phases.assign(Freqs.size(), 0.0);
    NextStep();
  }
  void Fill(double* out, int n) override {
    for (int i = 0; i < n; ++i) {
      if (!Cadence.empty() && Left <= 0) {
        Step = (Step + 1) % Cadence.size();
        NextStep();
      }
      --Left;
      bool on = Cadence.empty() || Step % 2 == 0;
      double x = 0;
      for (size_t k = 0; k < Freqs.size(); ++k) {
        Phases[k] += 2 * Pi * Freqs[k] / Rate;
        if (Phases[k] > 2 * Pi) Phases[k] -= 2 * Pi;
        if (on) x += std::sin(Phases[k]);
      }
      out[i] = x * Amp;
    }
  }
  char AutoEvent() const override { return Event; }

private:
  void NextStep() {
    if (Cadence.empty()) return;
    std::uniform_int_distribution<int> j(-Jitter, Jitter);
    Left = long(double(Cadence[Step] + (Jitter ? j(Rng) : 0)) * Rate / 1000.0);
  }
  std::vector<double> Freqs, Phases;
  std::vector<int> Cadence;
  int Jitter, Rate;
  char Event;
  std::mt19937 Rng;
  double Amp = 0;
  size_t Step = 0;
  long Left = 0;
};

class PatternSegment : public Segment {
public:
  explicit PatternSegment(std::string bytes) : Bytes(std::move(bytes)) {}
  void Fill(double* out, int n) override {
    for (int i = 0; i < n; ++i) out[i] = 0;
  }
  bool Raw() const override { return true; }
  void FillBytes(std::string& out, int n) override {
    for (int i = 0; i < n; ++i) {
      out += Bytes.empty() ? char(Count & 0xff) : Bytes[Count % Bytes.size()];
      ++Count;
    }
  }
  std::string Bytes;  // empty: a ramp
  unsigned long long Count = 0;
};

class DtmfSegment : public Segment {
public:
  DtmfSegment(std::string digits, int rate) : Digits(std::move(digits)), Rate(rate) {}
  void Fill(double* out, int n) override {
    static const char* keys = "123A456B789C*0#D";
    static const double rows[] = {697, 770, 852, 941}, cols[] = {1209, 1336, 1477, 1633};
    const long tone = Rate / 10, gap = Rate / 10;  // 100 ms on, 100 ms off
    for (int i = 0; i < n; ++i, ++Pos) {
      size_t d = size_t(Pos / (tone + gap));
      long at = long(Pos % (tone + gap));
      out[i] = 0;
      if (d >= Digits.size() || at >= tone) continue;
      const char* k = strchr(keys, Digits[d]);
      if (!k) continue;
      int idx = int(k - keys);
      if (at == 0) Found.push_back({i, Digits[d]});
      double t = double(at) / Rate;
      out[i] = Peak(-10) / 2 * (std::sin(2 * Pi * rows[idx / 4] * t) + std::sin(2 * Pi * cols[idx % 4] * t));
    }
  }
  std::vector<std::pair<int, char>> TakeDigits() override {
    auto f = std::move(Found);
    Found.clear();
    return f;
  }
  std::string Digits;
  int Rate;
  long long Pos = 0;
  std::vector<std::pair<int, char>> Found;
};

bool ParseCadence(const std::string& text, std::vector<int>& ms) {
  ms.clear();
  std::string part;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '/' || text[i] == ',') {
      long v = 0;
      if (!ParseLong(part, v) || v <= 0) return false;
      ms.push_back(int(v));
      part.clear();
    } else {
      part += text[i];
    }
  }
  return ms.size() % 2 == 0;
}

struct Preset {
  std::vector<double> Freqs;
  std::vector<int> Cadence;
  double Ppm;
};

bool CountryTone(const std::string& country, const std::string& kind, Preset& p) {
  if (country == "UK") {
    // An exact 400 Hz makes equal crossing intervals, which the program does not call periodic.
    if (kind == "busy") p = {{400}, {375, 375}, 2000};
    else if (kind == "dial") p = {{350, 450}, {}, 0};
    else if (kind == "reorder") p = {{400}, {400, 350, 225, 525}, 2000};
    else return false;
  } else if (country == "NA") {
    if (kind == "busy") p = {{480, 620}, {500, 500}, 0};
    else if (kind == "dial") p = {{350, 440}, {}, 0};
    else if (kind == "reorder") p = {{480, 620}, {250, 250}, 0};
    else return false;
  } else {
    if (kind == "busy") p = {{425}, {480, 480}, 0};
    else if (kind == "dial") p = {{425}, {}, 0};
    else if (kind == "reorder") p = {{425}, {240, 240}, 0};
    else return false;
  }
  return true;
}
}  // namespace

bool ParseDuration(const std::string& text, int rate, long long& samples) {
  if (text == "forever") return samples = -1, true;
  double v = 0;
  if (text.size() > 2 && text.compare(text.size() - 2, 2, "ms") == 0 && ParseDouble(text.substr(0, text.size() - 2), v)) {
    samples = (long long)std::llround(v * rate / 1000.0);
    return v >= 0;
  }
  if (text.size() > 1 && text.back() == 's' && ParseDouble(text.substr(0, text.size() - 1), v)) {
    samples = (long long)std::llround(v * rate);
    return v >= 0;
  }
  return false;
}

std::unique_ptr<Segment> Silence() { return std::make_unique<SilenceSegment>(); }

std::unique_ptr<Segment> DialTone(const std::string& country, int rate) {
  Preset p;
  CountryTone(country, "dial", p);
  return std::make_unique<ToneSegment>(p.Freqs, -13, p.Cadence, p.Ppm, 0, rate, 'd');
}

std::vector<std::unique_ptr<Segment>> HangupTone(const std::string& country, int rate) {
  std::vector<std::unique_ptr<Segment>> out;
  if (country == "NA") {
    out.push_back(Silence());
    out.back()->Remaining = 10LL * rate;
    out.push_back(DialTone(country, rate));
  } else {
    Preset p;
    CountryTone(country, "busy", p);
    out.push_back(std::make_unique<ToneSegment>(p.Freqs, -13, p.Cadence, p.Ppm, 0, rate, 'b'));
  }
  return out;
}

std::unique_ptr<Segment> ParseSegment(const std::vector<std::string>& words, const std::string& country, int rate,
                                      std::string& error) {
  if (words.empty()) {
    error = "missing source";
    return nullptr;
  }
  // Options and the duration may stand anywhere after the source's own arguments.
  std::vector<std::string> args;
  long long duration = -2;  // -2: none given
  double level = -13, ppm = 0;
  int jitter = 0;
  bool events = true;
  std::vector<int> cadence;
  bool haveCadence = false, dither = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    size_t eq = w.find('=');
    long long d = 0;
    if (eq != std::string::npos && w.compare(0, 6, "bytes:") != 0) {
      std::string k = w.substr(0, eq), v = w.substr(eq + 1);
      long n = 0;
      bool ok = true;
      if (k == "level") ok = ParseDouble(v, level);
      else if (k == "offset") ok = ParseDouble(v, ppm);
      else if (k == "jitter") ok = ParseLong(v, n) && n >= 0 && (jitter = int(n), true);
      else if (k == "cadence") ok = haveCadence = ParseCadence(v, cadence);
      else if (k == "dle") ok = (v == "auto" || v == "off") && ((events = v == "auto"), true);
      else if (k == "dither") ok = (v == "0" || v == "1") && ((dither = v == "1"), true);
      else ok = false;
      if (!ok) {
        error = "bad option " + w;
        return nullptr;
      }
    } else if (ParseDuration(w, rate, d)) {
      duration = d;
    } else {
      args.push_back(w);
    }
  }
  const std::string& kind = words[0];
  std::unique_ptr<Segment> s;
  Preset preset;
  if (kind == "silence" && args.empty()) {
    s = std::make_unique<SilenceSegment>(dither);
  } else if (kind == "noise" && args.size() <= 1) {
    if (args.size() == 1 && !ParseDouble(args[0], level)) {
      error = "bad noise level " + args[0];
      return nullptr;
    }
    s = std::make_unique<NoiseSegment>(level);
  } else if (kind == "speech" && args.size() == 1) {
    if (args[0] == "synth") {
      s = std::make_unique<SynthSpeech>(rate);
    } else {
      std::vector<double> samples;
      if (!LoadWav(args[0], rate, samples, error)) return nullptr;
      if (duration == -2) duration = (long long)samples.size();
      s = std::make_unique<WavSpeech>(std::move(samples));
    }
  } else if (kind == "tone" && args.size() == 1) {
    std::vector<double> freqs;
    std::string f = args[0];
    size_t plus = f.find('+');
    double a = 0, b = 0;
    if (!ParseDouble(f.substr(0, plus), a) || a <= 0 ||
        (plus != std::string::npos && (!ParseDouble(f.substr(plus + 1), b) || b <= 0))) {
      error = "bad tone " + f;
      return nullptr;
    }
    freqs.push_back(a);
    if (plus != std::string::npos) freqs.push_back(b);
    s = std::make_unique<ToneSegment>(freqs, level, cadence, ppm, jitter, rate, 0);
  } else if (args.empty() && CountryTone(country, kind, preset)) {
    if (!haveCadence) cadence = preset.Cadence;
    if (ppm == 0) ppm = preset.Ppm;
    char ev = kind == "busy" ? 'b' : kind == "dial" ? 'd' : 0;
    s = std::make_unique<ToneSegment>(preset.Freqs, level, cadence, ppm, jitter, rate, ev);
  } else if (kind == "pattern" && args.size() == 1) {
    std::string bytes;
    if (args[0] != "ramp" && !(args[0].compare(0, 6, "bytes:") == 0 && FromHex(args[0].substr(6), bytes) && !bytes.empty())) {
      error = "bad pattern " + args[0];
      return nullptr;
    }
    s = std::make_unique<PatternSegment>(bytes);
  } else if (kind == "dtmf" && args.size() == 1) {
    if (duration == -2) duration = (long long)args[0].size() * rate / 5;
    s = std::make_unique<DtmfSegment>(args[0], rate);
  } else {
    error = "bad source: " + kind;
    return nullptr;
  }
  s->Remaining = duration == -2 ? -1 : duration;
  s->EventsOn = events;
  for (auto& w : words) s->Text += (s->Text.empty() ? "" : " ") + w;
  return s;
}

namespace {
int16_t ToPcm16(double x) {
  double v = std::round(x * 32767.0);
  if (v > 32767) v = 32767;
  if (v < -32768) v = -32768;
  return int16_t(v);
}

uint8_t Ulaw(int16_t pcm) {
  const int bias = 0x84, clip = 32635;
  int sign = pcm < 0 ? 0x80 : 0;
  int v = pcm < 0 ? -int(pcm) : pcm;
  if (v > clip) v = clip;
  v += bias;
  int exp = 7;
  for (int mask = 0x4000; exp > 0 && !(v & mask); mask >>= 1) --exp;
  int mant = (v >> (exp + 3)) & 0x0f;
  return uint8_t(~(sign | (exp << 4) | mant));
}

uint8_t Alaw(int16_t pcm) {
  int sign = pcm >= 0 ? 0x80 : 0;
  int v = pcm >= 0 ? pcm : -int(pcm) - 1;
  v >>= 3;  // 13-bit magnitude
  int code;
  if (v < 32) {
    code = v >> 1;
  } else {
    int exp = 1;
    while ((v >> (exp + 1)) >= 32 && exp < 7) ++exp;
    code = (exp << 4) | ((v >> exp) & 0x0f);
  }
  return uint8_t((sign | code) ^ 0x55);
}
}  // namespace

void EncodeSample(double x, Encoding e, std::string& out) {
  switch (e) {
    case Encoding::U8: {
      long v = std::lround(128 + x * 128);
      out += char(v < 0 ? 0 : v > 255 ? 255 : v);
      break;
    }
    case Encoding::S8: {
      long v = std::lround(x * 128);
      out += char(v < -128 ? -128 : v > 127 ? 127 : v);
      break;
    }
    case Encoding::Ulaw: out += char(Ulaw(ToPcm16(x))); break;
    case Encoding::Alaw: out += char(Alaw(ToPcm16(x))); break;
    case Encoding::S16: {
      int16_t v = ToPcm16(x);
      out += char(v & 0xff);
      out += char((v >> 8) & 0xff);
      break;
    }
    case Encoding::Adpcm4: out += char(0); break;  // silence only: nobody here decodes ADPCM
  }
}

bool LoadWav(const std::string& path, int rate, std::vector<double>& samples, std::string& error) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    error = path + ": " + strerror(errno);
    return false;
  }
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0 && data.size() < (64u << 20)) data.append(buf, n);
  fclose(f);
  auto u16 = [&](size_t at) { return unsigned((unsigned char)data[at]) | unsigned((unsigned char)data[at + 1]) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) {
    error = path + ": not a WAV file";
    return false;
  }
  unsigned channels = 0, fileRate = 0, bits = 0;
  size_t pos = 12, dataAt = 0, dataLen = 0;
  while (pos + 8 <= data.size()) {
    size_t len = u32(pos + 4);
    if (len > data.size() - pos - 8) len = data.size() - pos - 8;
    if (data.compare(pos, 4, "fmt ") == 0 && len >= 16) {
      channels = u16(pos + 10);
      fileRate = u32(pos + 12);
      bits = u16(pos + 22);
      if (u16(pos + 8) != 1 && u16(pos + 8) != 0xfffe) bits = 0;
    } else if (data.compare(pos, 4, "data") == 0) {
      dataAt = pos + 8;
      dataLen = len;
    }
    pos += 8 + len + (len & 1);
  }
  if (bits != 16 || channels == 0 || fileRate == 0 || dataAt == 0) {
    error = path + ": only 16-bit PCM WAV files are read";
    return false;
  }
  size_t frames = dataLen / (2 * channels);
  std::vector<double> in(frames);
  for (size_t i = 0; i < frames; ++i) in[i] = int16_t(u16(dataAt + i * 2 * channels)) / 32768.0;
  samples.clear();
  double step = double(fileRate) / rate;
  for (double t = 0; t + 1 < double(frames); t += step) {
    size_t i = size_t(t);
    double frac = t - double(i);
    samples.push_back(in[i] * (1 - frac) + in[i + 1] * frac);
  }
  return true;
}

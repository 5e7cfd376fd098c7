#include "Parse.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Memo.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SysUtils.h"
#include <vector>

TfmParse* fmParse = nullptr;

TfmParse::TfmParse(TComponent* owner) : TForm(owner, "TfmParse") {}

TfmParse::~TfmParse() {
  if (fmParse == this) fmParse = nullptr;
}

namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

void EraseFirst(std::string& text, char c) {
  size_t p = text.find(c);
  if (p != std::string::npos) text.erase(p, 1);
}

void GainRange(const char* prefix, const std::string& reply, int& min, int& max) {
  std::string text = reply;
  size_t p = UpperCase(text).find(prefix);
  if (p != std::string::npos) text.erase(p, 5);
  EraseFirst(text, '(');
  EraseFirst(text, ')');
  size_t comma = text.find(',');
  if (comma != std::string::npos) text.erase(0, comma + 1);
  size_t dash = text.find('-');
  if (dash == std::string::npos) return;
  int lo = StrToIntDef(Trim(text.substr(0, dash)), 0);
  int hi = StrToIntDef(Trim(text.substr(dash + 1)), 255);
  if (lo < hi) {
    min = lo;
    max = hi;
  } else {
    min = max = -1;
  }
}

}  // namespace

int TfmParse::CountFields(const std::string& line, char separator) {
  std::string copy = line;
  for (size_t open; (open = copy.find('(')) != std::string::npos;) {
    size_t close = copy.find(')', open);
    if (close == std::string::npos) break;
    copy.erase(open, close - open + 1);
  }
  int count = 0;
  for (char c : copy) count += c == separator;
  return count + 1;
}

std::string TfmParse::NextField(const std::string& line, char separator) {
  if (!line.empty() && line[0] == '(') {
    size_t close = line.find(')');
    return close == std::string::npos ? line : line.substr(0, close + 1);
  }
  size_t sep = line.find(separator);
  return sep == std::string::npos ? line : line.substr(0, sep);
}

std::string TfmParse::StripParens(const std::string& text) {
  std::string out = text;
  EraseFirst(out, '(');
  EraseFirst(out, ')');
  return out;
}

std::string TfmParse::TakeField(std::string& line, char separator) {
  line = Trim(line);
  std::string field = NextField(line, separator);
  line.erase(0, field.size());
  line = Trim(line);
  if (!line.empty()) line.erase(0, 1);
  return StripParens(field).substr(0, 30);
}

std::string TfmParse::ChooseRate(const std::string& bits, const std::string& rates) {
  static const char* const small[] = {"4800", "11025", "9200", "7200", "8000"};
  static const char* const wide[] = {"4800", "9200", "11025", "8000", "7200"};
  static const char* const none[] = {"4800", "9200", "11025", "7200", "8000"};
  const char* const* order = nullptr;
  if (bits == "2" || bits == "4" || bits == "8" || bits == "0") order = small;
  else if (bits == "12" || bits == "16") order = wide;
  else if (bits.empty()) order = none;
  else return "";
  std::string choice;
  for (int i = 0; i < 5; ++i)
    if (Contains(rates, order[i])) choice = order[i];
  return choice;
}

std::string TfmParse::FirstValue(const std::string& text) {
  size_t p = text.find(',');
  if (p == std::string::npos) p = text.find('-');
  return p == std::string::npos ? text : text.substr(0, p);
}

bool TfmParse::ParseVsmLine(const std::string& input) {
  Rec.Clear();
  std::string line = input;
  size_t p = UpperCase(line).find("+VSM:");
  if (p != std::string::npos) line.erase(p, 5);
  if (line.find(',') != std::string::npos) Separator = ',';
  else if (line.find(';') != std::string::npos) Separator = ';';
  else return false;

  int fields = CountFields(line, Separator);
  if (fields == 3) {
    Rec.cml.Set(TakeField(line, Separator));
    Rec.cmid.Set(TakeField(line, Separator));
    Rec.vsr.Set(ChooseRate("", TakeField(line, Separator)));
  } else if (fields == 5 || fields == 7) {
    Rec.cml.Set(TakeField(line, Separator));
    Rec.cmid.Set(TakeField(line, Separator));
    Rec.bps.Set(TakeField(line, Separator));
    Rec.tm.Set(TakeField(line, Separator));
    Rec.vsr.Set(ChooseRate(Rec.bps.Get(), TakeField(line, Separator)));
    if (fields == 7) {
      Rec.scs.Set(FirstValue(TakeField(line, Separator)));
      Rec.sel.Set(FirstValue(TakeField(line, Separator)));
    }
  }

  if (UpperCase(Rec.cmid.Get()) == "SIGNED LINEAR") Rec.cmid.Set("SIGNED PCM");
  std::string name = UpperCase(Rec.cmid.Get());
  if (Contains(name, "UNSIGNED PCM") || Contains(name, "LINEAR")) Rec.Description.Set("UNSIGNED PCM");
  else if (Contains(name, "SIGNED PCM")) Rec.Description.Set("SIGNED PCM");
  else if (Contains(name, "ULAW") || Contains(name, "M-LAW") || Contains(name, "U-LAW") ||
           Contains(name, "G.711U"))
    Rec.Description.Set("ULAW");
  else if (Contains(name, "ALAW") || Contains(name, "A-LAW") || Contains(name, "G.711A"))
    Rec.Description.Set("ALAW");
  else
    return false;

  std::string bits = Trim(Rec.bps.Get());
  if (bits.empty() || bits == "0") {
    if (Contains(name, "8-BIT") || Contains(name, "8BIT")) Rec.bps.Set("8");
    else if (Contains(name, "16-BIT") || Contains(name, "16BIT")) Rec.bps.Set("16");
    else Rec.bps.Set("8");
  }
  return true;
}

std::string TfmParse::BuildVsmCommand() const {
  std::string command = "at+vsm=";
  for (const TShortText* f : {&Rec.cml, &Rec.vsr, &Rec.scs, &Rec.sel})
    if (f->Length) command += f->Get() + Separator;
  if (command.back() == Separator) command.pop_back();
  return command;
}

void TfmParse::ParseGainRange(const std::string& reply, int& min, int& max) {
  GainRange("+VGR:", reply, min, max);
}

void TfmParse::ParseGainRangeVgt(const std::string& reply, int& min, int& max) {
  GainRange("+VGT:", reply, min, max);
}

bool TfmParse::QueryCompressions(bool showEach) {
  if (!showEach) {
    std::string reply;
    if (QueryMemo) QueryMemo->Clear();
    if (Modem) Modem->SendQuery("at+vsm=?", reply);
    if (QueryMemo) QueryMemo->Add(reply);
  }
  AddEvent("at+vsm=?");

  std::vector<std::string> lines;
  if (QueryMemo) lines = QueryMemo->Lines();
  if (g_Ini) g_Ini->EraseSection("Modem compressions");
  std::vector<TCompressionRec> records;
  for (const std::string& raw : lines) {
    std::string line = Trim(raw);
    if (line.empty() || !ParseVsmLine(line)) continue;
    Rec.VsmCommand.Set(BuildVsmCommand());
    if (g_Ini)
      g_Ini->WriteString("Modem compressions", IntToStr(static_cast<int64_t>(records.size())),
                         CompressionIniValue(Rec));
    records.push_back(Rec);
    if (showEach) ShowMessage(CompressionMessage(Rec));
  }
  WriteCompressions(ProgramPath("Compressions.d"), records);
  if (g_Ini) g_Ini->UpdateFile();

  if (records.empty()) {
    ShowMessage("None modem compression can be recognized");
    if (!showEach) {
      ModemParams.VoiceCompression = "at+vsm=none";
      if (g_Ini) {
        g_Ini->WriteString("Modem", "VoiceCompression", ModemParams.VoiceCompression);
        g_Ini->WriteInteger("Modem", "SamplingFreq", 0);
        g_Ini->WriteString("Params", "Compression", "");
      }
    }
    return false;
  }
  return true;
}

bool TfmParse::QueryLineSelect() {
  std::string reply;
  if (Modem) Modem->SendQuery("at+vls=?", reply);
  if (QueryMemo) {
    QueryMemo->Clear();
    QueryMemo->Add(reply);
  }
  if (g_Ini) {
    g_Ini->WriteString("Modem", "LineSel_T", ModemParams.LineSel_T);
    g_Ini->WriteString("Modem", "LineSel_T#", "ok");
  }
  return true;
}

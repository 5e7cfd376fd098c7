#pragma once
#include "Compression.h"
#include "Form.h"
#include <string>

class TfmModem;
class TMemo;

// Reads the modem's answer to "at+vsm=?" into compression records, one per usable line, with
// the "at+vsm=" command that selects each; and the modem's gain ranges. A form of the program's
// start-up, never shown.
class TfmParse : public TForm {
public:
  explicit TfmParse(TComponent* owner = nullptr);
  ~TfmParse() override;

  // The dialogue that asks the modem, and the memo that shows its raw answers (the query
  // memo form's).
  TfmModem* Modem = nullptr;
  TMemo* QueryMemo = nullptr;

  // Asks the modem (or, with showEach, parses the memo's text again), rewrites Compressions.d
  // (ProgramDir) and [Modem compressions]; false when no line gave a record.
  bool QueryCompressions(bool showEach);
  // "at+vls=?": the answer goes to the memo; the line selection is stored as answered "ok".
  bool QueryLineSelect();

  // Fills Rec from one answer line; false when it is no usable compression.
  bool ParseVsmLine(const std::string& line);
  std::string BuildVsmCommand() const;

  // "+VGR:" and "+VGT:" answers: min and max are left alone when the text has no "-".
  static void ParseGainRange(const std::string& reply, int& min, int& max);
  static void ParseGainRangeVgt(const std::string& reply, int& min, int& max);

  // Field routines.
  static int CountFields(const std::string& line, char separator);
  static std::string NextField(const std::string& line, char separator);
  static std::string StripParens(const std::string& text);
  static std::string TakeField(std::string& line, char separator);
  static std::string ChooseRate(const std::string& bits, const std::string& rates);
  static std::string FirstValue(const std::string& text);

  TCompressionRec Rec;
  char Separator = ',';
};

extern TfmParse* fmParse;

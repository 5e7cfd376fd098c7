#pragma once
#include <map>
#include <string>
#include <vector>

class ModemDevice;

// The ringing line: RINGs in the country's cadence and the caller-ID block in either form.
class Ringer {
public:
  explicit Ringer(ModemDevice& modem) : D(modem) {}

  // options: count, every, cadence, ukpair, first, cid (timing) and cid.<field>; false with the
  // error for a bad one.
  bool Start(const std::map<std::string, std::string>& options, double now, std::string& error);
  void Stop() { Active = false; }
  bool Ringing() const { return Active; }
  // A caller-ID block now; extra (a RING) goes out right behind it.
  void SendCid(const std::map<std::string, std::string>& fields, double now, const std::string& extra = "");
  void Tick(double now);
  double NextDue() const;
  int RingsTotal() const { return Total; }

private:
  std::string CidBlock(const std::map<std::string, std::string>& fields) const;

  ModemDevice& D;
  bool Active = false;
  int Count = -1, Sent = 0, Total = 0;
  double Next = 0;
  std::vector<double> Gaps;  // from one RING to the next, cycled
  std::map<std::string, std::string> Cid;
  double CidAt = -1;
  bool CidCoalesce = false;
};

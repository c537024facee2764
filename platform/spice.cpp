#include "platform/spice.h"

#include <ngspice/sharedspice.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::platform {
namespace {

constexpr std::string_view kFailed = "La simulation n'a pas abouti : ";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// "tran: 45.3%" gives 45; other statuses ("--ready--") nothing.
std::optional<int> percentOf(std::string_view status) {
  const std::size_t colon = status.rfind(':');
  const std::size_t mark = status.rfind('%');
  if (colon == std::string_view::npos || mark == std::string_view::npos || mark < colon)
    return std::nullopt;
  std::string figure(trim(status.substr(colon + 1, mark - colon - 1)));
  for (char& c : figure)
    if (c == '.') c = ',';
  const std::optional<Real> value = tryReadReal(figure);
  if (!value || *value < 0 || *value > 100) return std::nullopt;
  return static_cast<int>(*value);
}

class Ngspice final : public Simulator {
 public:
  Ngspice() {
    ngSpice_Init(&Ngspice::onChar, &Ngspice::onStatus, &Ngspice::onExit, &Ngspice::onData,
                 &Ngspice::onInitData, &Ngspice::onThread, this);
  }

  ~Ngspice() override { stop(); }

  using Simulator::run;
  std::optional<SpiceVectors> run(std::string_view netlist, const RunHooks& hooks) override {
    const std::function<void(int)> progress =
        hooks.progress ? hooks.progress : std::function<void(int)>([](int) {});
    const std::lock_guard one(runMutex_);
    {
      const std::lock_guard lock(m_);
      progress_ = &progress;
      percent_ = -1;
      inRun_ = true;
      halted_ = false;
      errorLine_.clear();
      errorSeen_ = false;
      watch_ = hooks.watch ? &hooks.watch : nullptr;
      watchHit_ = false;
      watchDone_ = false;
      pointsKept_ = 0;
    }
    const Ending ending(*this);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < netlist.size();) {
      std::size_t end = netlist.find('\n', at);
      if (end == std::string_view::npos) end = netlist.size();
      lines.emplace_back(netlist.substr(at, end - at));
      at = end + 1;
    }
    std::vector<char*> circuit;
    for (std::string& l : lines) circuit.push_back(l.data());
    circuit.push_back(nullptr);
    if (ngSpice_Circ(circuit.data()) != 0 || failedSoFar()) fail();
    {
      const std::lock_guard lock(m_);
      if (halted_) return std::nullopt;
      threadRunning_ = true;  // until the thread says it has ended
    }
    ngSpice_Command(const_cast<char*>("bg_run"));
    std::unique_lock lock(m_);
    // The halt a settled watch asks for is sent from here: ngspice's own thread cannot halt
    // itself from its callback.
    while (threadRunning_) {
      done_.wait(lock, [&] { return !threadRunning_ || watchHit_; });
      if (!threadRunning_) break;
      lock.unlock();
      ngSpice_Command(const_cast<char*>("bg_halt"));
      lock.lock();
      done_.wait_for(lock, std::chrono::milliseconds(20), [&] { return !threadRunning_; });
    }
    if (halted_) return std::nullopt;
    if (errorSeen_) {
      lock.unlock();
      fail();
    }
    // ngspice reports its progress at intervals: the last report may come before the end.
    const bool finalReport = percent_ != 100;
    percent_ = 100;
    const std::size_t kept = watchHit_ ? pointsKept_ : 0;
    lock.unlock();
    if (finalReport) progress(100);
    return collect(kept);
  }

  void stop() override {
    std::unique_lock lock(m_);
    if (!inRun_) return;
    halted_ = true;
    // Repeated while the thread runs: a halt sent as it starts could be missed.
    while (threadRunning_) {
      lock.unlock();
      ngSpice_Command(const_cast<char*>("bg_halt"));
      lock.lock();
      done_.wait_for(lock, std::chrono::milliseconds(20), [&] { return !threadRunning_; });
    }
    done_.wait(lock, [&] { return !inRun_; });
  }

 private:
  // Whatever way a run ends: its circuit and results freed, waiting stops answered.
  struct Ending {
    explicit Ending(Ngspice& s) : s(s) {}
    ~Ending() {
      s.clear();
      const std::lock_guard lock(s.m_);
      s.progress_ = nullptr;
      s.inRun_ = false;
      s.done_.notify_all();
    }
    Ngspice& s;
  };

  bool failedSoFar() {
    const std::lock_guard lock(m_);
    return errorSeen_;
  }

  [[noreturn]] void fail() {
    const std::lock_guard lock(m_);
    throw CalcError(std::string(kFailed) + (errorLine_.empty() ? "erreur inconnue" : errorLine_));
  }

  // Frees the circuit and its results so that runs do not pile up.
  void clear() {
    ngSpice_Command(const_cast<char*>("destroy all"));
    ngSpice_Command(const_cast<char*>("remcirc"));
  }

  // kept: the points up to the one a watch ended the run at (0: all).
  SpiceVectors collect(std::size_t kept) {
    SpiceVectors out;
    char* plot = ngSpice_CurPlot();
    char** names = plot ? ngSpice_AllVecs(plot) : nullptr;
    for (; names && *names; ++names) {
      const pvector_info v = ngGet_Vec_Info(*names);
      if (!v || !v->v_realdata || v->v_length <= 0) continue;
      std::string name(*names);
      for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      std::size_t length = static_cast<std::size_t>(v->v_length);
      if (kept > 0 && kept < length) length = kept;
      out[name].assign(v->v_realdata, v->v_realdata + length);
    }
    return out;
  }

  static int onChar(char* text, int, void* self) {
    auto& s = *static_cast<Ngspice*>(self);
    std::string_view line(text);
    constexpr std::string_view kErr = "stderr ";
    if (line.substr(0, kErr.size()) != kErr) return 0;
    line = trim(line.substr(kErr.size()));
    if (line.empty()) return 0;
    const std::lock_guard lock(s.m_);
    // Warnings and notes come on stderr too; an error fails the run, and the lines after it
    // (the faulty netlist line, the cause) say more, up to the closing "aborted".
    const auto starts = [&](std::string_view p) { return line.substr(0, p.size()) == p; };
    if (starts("Warning") || starts("warning") || starts("Note") || starts("Trying gmin") ||
        starts("Supplies reduced") || line.find("simulation(s) aborted") != std::string_view::npos)
      return 0;
    if (line.find("rror") != std::string_view::npos ||
        line.find("too small") != std::string_view::npos)
      s.errorSeen_ = true;
    if (s.errorSeen_) s.errorLine_ = std::string(line);
    return 0;
  }

  static int onStatus(char* text, int, void* self) {
    auto& s = *static_cast<Ngspice*>(self);
    const std::optional<int> p = percentOf(text);
    if (!p) return 0;
    const std::lock_guard lock(s.m_);
    if (s.progress_ && *p != s.percent_) {
      s.percent_ = *p;
      (*s.progress_)(*p);
    }
    return 0;
  }

  // ngspice asks to be unloaded after a fatal error or a "quit"; the process keeps it loaded.
  static int onExit(int, NG_BOOL, NG_BOOL, int, void*) { return 0; }

  // The names of the run's vectors, before its first point; the values' buffer is made here
  // so that a point costs no allocation.
  static int onInitData(pvecinfoall all, int, void* self) {
    auto& s = *static_cast<Ngspice*>(self);
    s.names_.clear();
    for (int i = 0; all && i < all->veccount; ++i) {
      std::string name(all->vecs[i]->vecname);
      for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      s.names_.push_back(std::move(name));
    }
    s.values_.assign(s.names_.size(), 0.0);
    return 0;
  }

  static int onData(pvecvaluesall all, int, int, void* self) {
    auto& s = *static_cast<Ngspice*>(self);
    if (!s.watch_ || s.watchDone_.load(std::memory_order_relaxed) || !all) return 0;
    const std::size_t n = std::min(s.values_.size(), static_cast<std::size_t>(all->veccount));
    for (std::size_t i = 0; i < n; ++i) s.values_[i] = all->vecsa[i]->creal;
    if (!(*s.watch_)(std::span(s.names_).first(n), std::span(s.values_).first(n))) return 0;
    s.watchDone_.store(true, std::memory_order_relaxed);
    const std::lock_guard lock(s.m_);
    s.watchHit_ = true;
    s.pointsKept_ = static_cast<std::size_t>(all->vecindex) + 1;
    s.done_.notify_all();
    return 0;
  }

  static int onThread(NG_BOOL notRunning, int, void* self) {
    auto& s = *static_cast<Ngspice*>(self);
    const std::lock_guard lock(s.m_);
    s.threadRunning_ = !notRunning;
    s.done_.notify_all();
    return 0;
  }

  std::mutex runMutex_;
  std::mutex m_;
  std::condition_variable done_;
  const std::function<void(int)>* progress_ = nullptr;
  int percent_ = -1;
  bool inRun_ = false;
  bool threadRunning_ = false;
  bool halted_ = false;
  bool errorSeen_ = false;
  std::string errorLine_;
  // The watch's side, touched by ngspice's thread alone while a run goes.
  const std::function<bool(std::span<const std::string>, std::span<const double>)>* watch_ =
      nullptr;
  std::vector<std::string> names_;
  std::vector<double> values_;
  std::atomic<bool> watchDone_ = false;
  bool watchHit_ = false;
  std::size_t pointsKept_ = 0;
};

}  // namespace

Simulator& ngspice() {
  static Ngspice instance;
  return instance;
}

}  // namespace valvora::platform

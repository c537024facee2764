#include "platform/spice.h"

// The types only: the library itself is loaded at the first run, so that the program starts
// and works without it.
#include <dlfcn.h>
#include <ngspice/sharedspice.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::platform {
namespace {

constexpr std::string_view kFailed = "La simulation n'a pas abouti : ";
constexpr std::string_view kNotLoaded = "Le circuit n'a pas pu être chargé : ";
constexpr std::string_view kNotInstalled =
    "Le simulateur ngspice n'est pas installé (paquet libngspice0).";
constexpr std::string_view kNoStart = "Le simulateur ne démarre pas.";
constexpr std::string_view kBadLocale =
    "Le simulateur ne peut pas lire les nombres : réglage régional incompatible.";
constexpr auto kStartWait = std::chrono::seconds(5);
constexpr auto kStopWait = std::chrono::milliseconds(500);
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

// The library's functions this layer calls.
struct Api {
  decltype(&::ngSpice_Init) init = nullptr;
  decltype(&::ngSpice_Circ) circ = nullptr;
  decltype(&::ngSpice_Command) command = nullptr;
  decltype(&::ngSpice_CurPlot) curPlot = nullptr;
  decltype(&::ngSpice_AllVecs) allVecs = nullptr;
  decltype(&::ngGet_Vec_Info) vecInfo = nullptr;
};

template <class F>
bool bind(void* library, const char* name, F& f) {
  f = reinterpret_cast<F>(::dlsym(library, name));
  return f != nullptr;
}

// The system's libngspice, or the one VALVORA_NGSPICE_LIBRARY names; nothing when it is
// missing or lacks a function.
std::optional<Api> loadApi() {
  const char* chosen = std::getenv("VALVORA_NGSPICE_LIBRARY");
  void* library = ::dlopen(chosen && *chosen ? chosen : "libngspice.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) return std::nullopt;
  Api api;
  if (bind(library, "ngSpice_Init", api.init) && bind(library, "ngSpice_Circ", api.circ) &&
      bind(library, "ngSpice_Command", api.command) &&
      bind(library, "ngSpice_CurPlot", api.curPlot) &&
      bind(library, "ngSpice_AllVecs", api.allVecs) && bind(library, "ngGet_Vec_Info", api.vecInfo))
    return api;
  ::dlclose(library);
  return std::nullopt;
}

// ngspice reads its decimal numbers with the C library, which follows LC_NUMERIC: "1.5e-3"
// read under a comma locale stops at the point.
void ensureDecimalPoint() {
  const auto point = [] {
    const std::lconv* c = std::localeconv();
    return c && c->decimal_point && std::string_view(c->decimal_point) == ".";
  };
  if (point()) return;
  std::setlocale(LC_NUMERIC, "C");
  if (!point()) throw CalcError(std::string(kBadLocale));
}

// ngspice runs the commands of ./.spiceinit and ~/.spiceinit at its initialisation: none of
// the user's files may, so it starts in an empty private folder standing as the home too.
// Gives init's result, or -1 when the folder could not be made or entered.
template <class F>
int inEmptyFolder(const F& init) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/valvora-spice-XXXXXX";
  if (!::mkdtemp(folder.data())) return -1;
  char* const here = ::getcwd(nullptr, 0);
  const char* home = std::getenv("HOME");
  const std::optional<std::string> oldHome = home ? std::optional<std::string>(home) : std::nullopt;
  int result = -1;
  if (here && ::chdir(folder.c_str()) == 0 && ::setenv("HOME", folder.c_str(), 1) == 0) {
    result = init();
    if (::chdir(here) != 0) result = -1;
  }
  if (oldHome)
    ::setenv("HOME", oldHome->c_str(), 1);
  else
    ::unsetenv("HOME");
  std::free(here);
  ::rmdir(folder.c_str());
  return result;
}

std::string lowerCase(const char* text) {
  std::string name(text ? text : "");
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

// Every ngspice command is sent by the thread in run(), under runMutex_: stop() only asks, and
// that thread halts. ngspice's own thread calls back into the on* functions.
class Ngspice final : public Simulator {
 public:
  ~Ngspice() override { stop(); }

  using Simulator::run;
  std::optional<SpiceVectors> run(std::string_view netlist, const RunHooks& hooks) override {
    const std::function<void(int)> progress =
        hooks.progress ? hooks.progress : std::function<void(int)>([](int) {});
    const std::lock_guard one(runMutex_);
    {
      const std::lock_guard lock(m_);
      if (hooks.cancelled && hooks.cancelled()) return std::nullopt;
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
      threadStarted_ = false;
      threadEnded_ = false;
    }
    const Ending ending(*this);
    ensureDecimalPoint();
    ready();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < netlist.size();) {
      std::size_t end = netlist.find('\n', at);
      if (end == std::string_view::npos) end = netlist.size();
      lines.emplace_back(netlist.substr(at, end - at));
      at = end + 1;
    }
    std::vector<char*> circuit;
    circuit.reserve(lines.size() + 1);
    for (std::string& l : lines) circuit.push_back(l.data());
    circuit.push_back(nullptr);
    loaded_ = true;
    if (api_->circ(circuit.data()) != 0 || failedSoFar()) fail(kNotLoaded);
    {
      const std::lock_guard lock(m_);
      if (halted_) return std::nullopt;
    }
    if (command("bg_run") != 0) throw CalcError(std::string(kNoStart));
    std::unique_lock lock(m_);
    if (!done_.wait_for(lock, kStartWait, [&] { return threadStarted_; }))
      throw CalcError(std::string(kNoStart));
    // A stop or a settled watch is answered here, repeated while the thread runs: a halt sent
    // as it starts could be missed.
    while (!threadEnded_) {
      done_.wait(lock, [&] { return threadEnded_ || watchHit_ || halted_; });
      if (threadEnded_) break;
      lock.unlock();
      command("bg_halt");
      lock.lock();
      done_.wait_for(lock, std::chrono::milliseconds(20), [&] { return threadEnded_; });
    }
    if (halted_) return std::nullopt;
    if (errorSeen_) {
      lock.unlock();
      fail(kFailed);
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
    done_.notify_all();
    done_.wait_for(lock, kStopWait, [&] { return !inRun_; });
  }

 private:
  // Whatever way a run ends: its circuit and results freed, waiting stops answered.
  struct Ending {
    explicit Ending(Ngspice& s) : s(s) {}
    ~Ending() {
      if (s.loaded_) s.clear();
      s.loaded_ = false;
      const std::lock_guard lock(s.m_);
      s.progress_ = nullptr;
      s.watch_ = nullptr;
      s.inRun_ = false;
      s.done_.notify_all();
    }
    Ngspice& s;
  };

  // The library loaded and initialised once per process; a missing library is looked for again
  // at the next run.
  void ready() {
    if (!api_) api_ = loadApi();
    if (!api_) throw CalcError(std::string(kNotInstalled));
    if (initialised_) return;
    const int result = inEmptyFolder([&] {
      return api_->init(&Ngspice::onChar, &Ngspice::onStatus, &Ngspice::onExit, &Ngspice::onData,
                        &Ngspice::onInitData, &Ngspice::onThread, this);
    });
    if (result != 0) throw CalcError(std::string(kNoStart));
    initialised_ = true;
  }

  int command(const char* text) { return api_->command(const_cast<char*>(text)); }

  bool failedSoFar() {
    const std::lock_guard lock(m_);
    return errorSeen_;
  }

  [[noreturn]] void fail(std::string_view what) {
    const std::lock_guard lock(m_);
    throw CalcError(std::string(what) + (errorLine_.empty() ? "erreur inconnue" : errorLine_));
  }

  // Frees the circuit and its results so that runs do not pile up.
  void clear() {
    command("destroy all");
    command("remcirc");
  }

  // kept: the points up to the one a watch ended the run at (0: all).
  SpiceVectors collect(std::size_t kept) {
    SpiceVectors out;
    char* plot = api_->curPlot();
    char** names = plot ? api_->allVecs(plot) : nullptr;
    for (; names && *names; ++names) {
      const pvector_info v = api_->vecInfo(*names);
      if (!v || !v->v_realdata || v->v_length <= 0) continue;
      std::size_t length = static_cast<std::size_t>(v->v_length);
      if (kept > 0 && kept < length) length = kept;
      out[lowerCase(*names)].assign(v->v_realdata, v->v_realdata + length);
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
      s.names_.push_back(lowerCase(all->vecs[i]->vecname));
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
    (notRunning ? s.threadEnded_ : s.threadStarted_) = true;
    s.done_.notify_all();
    return 0;
  }

  std::mutex runMutex_;
  // Touched by the running thread alone, under runMutex_.
  std::optional<Api> api_;
  bool initialised_ = false;
  bool loaded_ = false;

  std::mutex m_;
  std::condition_variable done_;
  const std::function<void(int)>* progress_ = nullptr;
  int percent_ = -1;
  bool inRun_ = false;
  bool threadStarted_ = false;
  bool threadEnded_ = false;
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

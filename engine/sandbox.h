// Whether WebKit's web processes run confined: under bubblewrap, in mount,
// PID, network and UTS namespaces of their own (and IPC, but under X11,
// whose shared memory WebKit keeps), seeing the system's libraries and data,
// the folders WebKit adds (the user's cache directory among them, writable)
// and such of the user's folders as the client adds (read-only). Pages run there; the network
// process, which loads every address, file:// documents included, stays outside, so a page of the
// client's own still reads local documents wherever they are. The choice is
// made once per process, before the first web process starts.
#pragma once

#include <optional>
#include <string>

namespace engine {

// Forces the choice: "on" confines the web processes without asking whether
// bubblewrap can run, "off" leaves them unconfined. Unset (or any other
// value): confined wherever bubblewrap can run.
inline constexpr char kSandboxVariable[] = "QUORBITAL_SANDBOX";
// The bubblewrap WebKit starts its web processes with.
inline constexpr char kBubblewrap[] = "/usr/bin/bwrap";

struct SandboxChoice {
  bool confined = false;
  bool forced = false;
  std::string reason;  // why not, for the warning
};

// The choice of this process (main thread; decided at the first call).
const SandboxChoice& ProcessSandbox();

// The pieces of the decision.
std::optional<bool> ForcedSandbox(const char* value);
// Whether bwrap can set up namespaces as WebKit's does: it runs /bin/true in
// new PID, network, IPC and UTS namespaces with the root bound read-only, and
// must succeed within a few seconds. Empty when it can; the reason otherwise.
std::string BubblewrapFailure(const std::string& bwrap);
// The same, with a success remembered in a file of dir (the runtime
// directory) until the machine starts again, the bwrap binary changes or the
// kernel's user namespace settings do; only then is the trial skipped. A
// failure is not remembered: a start asks again, and nobody who can write
// dir can turn the sandbox off with it. Empty dir: nothing is remembered.
std::string RememberedBubblewrapFailure(const std::string& bwrap, const std::string& dir);
// Whether the choice needs no trial run: the variable forces it, or a
// success is remembered in dir for this bwrap.
bool SandboxKnownWithoutTrial(const std::string& bwrap, const std::string& dir);

}  // namespace engine

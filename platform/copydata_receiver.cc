// The receiving end of the copy-data channel: accepting, reading and
// checking frames without blocking, queueing them, and dispatching them to
// the window table's windows on the main thread.
#include "platform/copydata_receiver.h"

#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/copydata_channel.h"
#include "platform/copydata_frame.h"
#include "platform/log.h"
#include "platform/native_window.h"

namespace platform::channel {
namespace {

// Senders keep idle connections for their next message, so this is more
// than any client has renderers; beyond it the longest idle connection makes
// room (its sender simply connects again), and a runaway sender cannot
// exhaust our descriptors.
constexpr std::size_t kMaxConnections = 64;
// A connection must bring each whole frame within this time of being
// accepted or answered; a half-sent frame (a sender stopped or hung midway)
// would otherwise hold its connection, and with enough of them every place
// for new senders, for ever.
constexpr gint64 kFrameDeadlineUs = gint64{5} * G_USEC_PER_SEC;
// Messages are served like the toolkit's own input. Their order against
// what their sender told this process another way (a web process's news
// over the web engine's channel) is kept by the order check, which no
// priority could keep: that news reaches the main loop through another
// thread, and may not have been queued at all when a message comes.
constexpr int kChannelPriority = G_PRIORITY_DEFAULT;
// A payload buffer up to this size is kept for the connection's next message.
constexpr std::size_t kKeptPayload = std::size_t{64} * 1024;
// Frames are read in pieces of this size, so a message with the frames before
// it (the sender's order) usually takes one system call; a larger payload's
// rest is read straight into its buffer.
constexpr std::size_t kReadChunk = 4096;

}  // namespace

struct CopyDataReceiver::Connection {
  int fd = -1;
  HWND target = nullptr;
  GSource* source = nullptr;
  gpointer tag = nullptr;
  bool closed = false;
  bool queued = false;  // a complete frame waits for (or is in) its dispatch
  bool waited = false;  // its sender may have given up since the frame was read
  // Whether the source wakes us for input; not once input came while a
  // frame waited (a sender that does not wait for its reply).
  bool watching_input = true;
  gint64 last_active = 0;
  gint64 frame_deadline = 0;  // the next whole frame is due by then
  // The source's ready time: at or before frame_deadline, which each reply
  // moves on without touching the source; -1 while a whole frame waits.
  gint64 timer_at = -1;
  gint64 held_until = 0;  // a message waits for its sender's news until then (0: not yet)
  // The sender as the kernel named it when it connected, and the credential
  // it opened the connection with.
  MessageSender sender;
  bool framed = false;  // a frame other than the credential has come
  unsigned char header[CopyDataFrame::kHeaderSize] = {};
  std::size_t header_got = 0;
  CopyDataFrame frame;
  // Exactly frame.payload_size bytes, so the handler's record ends where the
  // sender's data ended.
  std::vector<unsigned char> payload;
  std::size_t payload_got = 0;
  // Read from the socket and not yet taken into a frame: inbox[inbox_at, end).
  std::vector<unsigned char> inbox;
  std::size_t inbox_at = 0;
};

struct CopyDataReceiver::Callbacks {
  struct ConnectionSource {
    GSource base;
    std::shared_ptr<Connection>* connection;
  };

  static gboolean AcceptReady(gint, GIOCondition, gpointer data) {
    Get().Accept(static_cast<Listener*>(data));
    return G_SOURCE_CONTINUE;
  }

  static gboolean ConnectionDispatch(GSource* source, GSourceFunc, gpointer) {
    // Keep the connection alive through a close made by its own callback.
    std::shared_ptr<Connection> connection =
        *reinterpret_cast<ConnectionSource*>(source)->connection;
    Get().OnReadable(connection);
    return G_SOURCE_CONTINUE;
  }

  static void ConnectionFinalize(GSource* source) {
    delete reinterpret_cast<ConnectionSource*>(source)->connection;
  }

  static gboolean DispatcherDispatch(GSource*, GSourceFunc, gpointer) {
    Get().DispatchOne();
    return G_SOURCE_CONTINUE;
  }

  static GSourceFuncs connection_funcs;
  static GSourceFuncs dispatcher_funcs;
};

GSourceFuncs CopyDataReceiver::Callbacks::connection_funcs = {
    nullptr,
    nullptr,
    &CopyDataReceiver::Callbacks::ConnectionDispatch,
    &CopyDataReceiver::Callbacks::ConnectionFinalize,
    nullptr,
    nullptr};
GSourceFuncs CopyDataReceiver::Callbacks::dispatcher_funcs = {
    nullptr, nullptr, &CopyDataReceiver::Callbacks::DispatcherDispatch, nullptr, nullptr, nullptr};

CopyDataReceiver& CopyDataReceiver::Get() {
  // Never destroyed: sources may still point at it while the process exits.
  static CopyDataReceiver* receiver = new CopyDataReceiver();
  return *receiver;
}

bool CopyDataReceiver::Publish(HWND hwnd, const std::wstring& class_name,
                               const std::wstring& title) {
  auto found = listeners_.find({hwnd, Route::kUserProcesses});
  if (found != listeners_.end()) {
    // Published again (a new title): the sockets stay, the entries are rewritten.
    bool written = true;
    for (Route route : {Route::kUserProcesses, Route::kHelpers}) {
      auto listener = listeners_.find({hwnd, route});
      if (listener == listeners_.end()) continue;
      listener->second->entry.class_name = class_name;
      listener->second->entry.title = title;
      written = CopyDataRegistry::Write(listener->second->entry) && written;
    }
    return written;
  }
  RegistryEntry entry;
  if (!Listen(hwnd, Route::kUserProcesses, class_name, title, entry)) return false;
  // The helpers' entry has the same name, so whoever finds one stale finds both.
  entry = listeners_[{hwnd, Route::kUserProcesses}]->entry;
  return Listen(hwnd, Route::kHelpers, class_name, title, entry);
}

bool CopyDataReceiver::Listen(HWND hwnd, Route route, const std::wstring& class_name,
                              const std::wstring& title, RegistryEntry entry) {
  auto listener = std::make_unique<Listener>();
  listener->hwnd = hwnd;
  listener->route = route;
  listener->entry = std::move(entry);
  if (!CopyDataRegistry::NewEntry(class_name, title, route, &listener->entry)) return false;
  listener->fd = CopyDataRegistry::Listen(listener->entry.address);
  if (listener->fd < 0) return false;
  // The entry is written only once the socket listens, so a reader that finds
  // an entry whose socket refuses knows its owner has gone.
  if (!CopyDataRegistry::Write(listener->entry)) {
    close(listener->fd);
    CopyDataRegistry::Remove(listener->entry);
    return false;
  }
  if (dispatcher_ == nullptr) {
    dispatcher_ = g_source_new(&Callbacks::dispatcher_funcs, sizeof(GSource));
    g_source_set_priority(dispatcher_, kChannelPriority);
    g_source_attach(dispatcher_, g_main_context_default());
  }
  listener->source_id = g_unix_fd_add_full(kChannelPriority, listener->fd, G_IO_IN,
                                           &Callbacks::AcceptReady, listener.get(), nullptr);
  listeners_[{hwnd, route}] = std::move(listener);
  return true;
}

void CopyDataReceiver::Withdraw(HWND hwnd) {
  // The helpers' route first: a user process that finds the window gone
  // removes what is left of both.
  for (Route route : {Route::kHelpers, Route::kUserProcesses}) {
    auto found = listeners_.find({hwnd, route});
    if (found == listeners_.end()) continue;
    std::unique_ptr<Listener> listener = std::move(found->second);
    listeners_.erase(found);
    Stop(std::move(listener));
  }
}

void CopyDataReceiver::Stop(std::unique_ptr<Listener> listener) {
  g_source_remove(listener->source_id);
  close(listener->fd);
  // Only this listener's own files: its other route's are removed by its own Stop.
  RegistryEntry own = listener->entry;
  if (own.route == Route::kUserProcesses) own.name.clear();
  CopyDataRegistry::Remove(own);
  // Senders waiting on this window see their connection end and get 0.
  auto connections = listener->connections;
  for (auto& [raw, connection] : connections) Close(connection);
}

void CopyDataReceiver::SetPeerCheck(std::function<bool(uid_t)> check) {
  peer_check_ = std::move(check);
}

std::string CopyDataReceiver::AddressOf(HWND hwnd, Route route) const {
  auto found = listeners_.find({hwnd, route});
  return found == listeners_.end() ? std::string() : found->second->entry.address;
}

bool CopyDataReceiver::PeerAllowed(int fd, MessageSender* sender) const {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
      length != sizeof(credentials)) {
    return false;
  }
  sender->pid = credentials.pid;
  sender->uid = credentials.uid;
  if (peer_check_) return peer_check_(credentials.uid);
  return credentials.uid == geteuid();
}

void CopyDataReceiver::Accept(Listener* listener) {
  for (;;) {
    int fd = accept4(listener->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN: nothing more waiting; anything else: try at the next wake-up
    }
    MessageSender sender;
    if (!PeerAllowed(fd, &sender)) {
      LogWarning("copy-data: refused a connection of another user");
      close(fd);
      continue;
    }
    if (connection_count_ >= kMaxConnections && !EvictIdle()) {
      Log("copy-data: too many connections; refused one");
      close(fd);
      continue;
    }
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    connection->sender = sender;
    connection->sender.route = listener->route;
    connection->target = listener->hwnd;
    connection->last_active = g_get_monotonic_time();
    connection->frame_deadline = connection->last_active + kFrameDeadlineUs;
    connection->source =
        g_source_new(&Callbacks::connection_funcs, sizeof(Callbacks::ConnectionSource));
    reinterpret_cast<Callbacks::ConnectionSource*>(connection->source)->connection =
        new std::shared_ptr<Connection>(connection);
    connection->tag = g_source_add_unix_fd(connection->source, fd, G_IO_IN);
    g_source_set_ready_time(connection->source, connection->frame_deadline);
    connection->timer_at = connection->frame_deadline;
    g_source_set_priority(connection->source, kChannelPriority);
    // GLib stops and resumes watching the descriptors of a source that may
    // not recurse around each of its dispatches, which wakes the loop twice
    // per message. A handler's modal loop that comes back here finds the
    // frame queued and reads nothing.
    g_source_set_can_recurse(connection->source, TRUE);
    g_source_attach(connection->source, g_main_context_default());
    listener->connections[connection.get()] = connection;
    ++connection_count_;
  }
}

bool CopyDataReceiver::EvictIdle() {
  std::shared_ptr<Connection> oldest;
  for (auto& [hwnd, listener] : listeners_) {
    for (auto& [raw, connection] : listener->connections) {
      if (connection->queued || connection->header_got > 0) continue;  // mid-message
      if (oldest && oldest->last_active <= connection->last_active) continue;
      pollfd state{connection->fd, POLLIN, 0};
      if (poll(&state, 1, 0) != 0) continue;  // a frame is arriving
      oldest = connection;
    }
  }
  if (!oldest) return false;
  Close(oldest);
  return true;
}

void CopyDataReceiver::Close(const std::shared_ptr<Connection>& connection) {
  if (connection->closed) return;
  connection->closed = true;
  // Destroying the source drops its reference to the connection (possibly from
  // inside the source's own callback, which holds another one).
  g_source_destroy(connection->source);
  g_source_unref(connection->source);
  connection->source = nullptr;
  close(connection->fd);
  connection->fd = -1;
  --connection_count_;
  auto listener = listeners_.find({connection->target, connection->sender.route});
  if (listener != listeners_.end()) listener->second->connections.erase(connection.get());
  // Whatever waited behind its message goes on.
  if (connection->queued) ScheduleDispatch();
}

void CopyDataReceiver::SetTimer(Connection& c, gint64 time) {
  if (c.timer_at == time) return;
  c.timer_at = time;
  g_source_set_ready_time(c.source, time);
}

void CopyDataReceiver::OnReadable(const std::shared_ptr<Connection>& connection) {
  Connection& c = *connection;
  const GIOCondition condition = g_source_query_unix_fd(c.source, c.tag);
  const gint64 now = g_get_monotonic_time();
  if (c.timer_at >= 0 && now >= c.timer_at) {
    // The timer rang: it is set again for the deadline as replies have
    // moved it on, or not at all while a whole frame waits.
    SetTimer(c, c.queued ? -1 : c.frame_deadline);
  }
  if (c.queued) {
    // Not reading while a frame waits: a hang-up ends the connection, and
    // input that comes meanwhile stays unread until the reply is out.
    if (condition & (G_IO_HUP | G_IO_ERR)) {
      Close(connection);
    } else if ((condition & G_IO_IN) && c.watching_input) {
      c.watching_input = false;
      g_source_modify_unix_fd(c.source, c.tag, static_cast<GIOCondition>(0));
    }
    return;
  }
  // What a sender sent on before its reply came is read after the reply.
  const bool buffered = c.inbox_at < c.inbox.size();
  if ((condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) == 0 && !buffered) {
    // Woken by the timer alone.
    if (now >= c.frame_deadline) {
      Log("copy-data: dropped a connection that brought no whole frame in time");
      Close(connection);
    }
    return;
  }
  c.last_active = now;
  for (;;) {
    const bool in_header = c.header_got < CopyDataFrame::kHeaderSize;
    unsigned char* part = in_header ? c.header + c.header_got : c.payload.data() + c.payload_got;
    const std::size_t need =
        in_header ? CopyDataFrame::kHeaderSize - c.header_got : c.payload.size() - c.payload_got;
    ssize_t n;
    if (c.inbox_at < c.inbox.size()) {
      const std::size_t take = std::min(need, c.inbox.size() - c.inbox_at);
      std::memcpy(part, c.inbox.data() + c.inbox_at, take);
      c.inbox_at += take;
      n = static_cast<ssize_t>(take);
    } else if (need >= kReadChunk) {
      n = recv(c.fd, part, need, 0);
    } else {
      c.inbox.resize(kReadChunk);
      n = recv(c.fd, c.inbox.data(), kReadChunk, 0);
      c.inbox.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
      c.inbox_at = 0;
      if (n > 0) continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The rest comes later, unless its time is up.
      if (g_get_monotonic_time() >= c.frame_deadline) {
        Log("copy-data: dropped a connection that brought no whole frame in time");
        Close(connection);
      }
      return;
    }
    if (n <= 0) {
      // The sender went away, possibly mid-frame: a short frame is dropped.
      Close(connection);
      return;
    }
    if (c.header_got < CopyDataFrame::kHeaderSize) {
      c.header_got += static_cast<std::size_t>(n);
      if (c.header_got < CopyDataFrame::kHeaderSize) continue;
      // Not ours, too large, or a message we do not dispatch (a credential
      // only as the first frame, and small): the connection is dropped
      // without a reply and nothing reaches a window.
      const bool decoded = CopyDataFrame::DecodeHeader(c.header, &c.frame);
      const bool credential = decoded && c.frame.message == CopyDataFrame::kCredentialMessage &&
                              !c.framed && c.frame.payload_size <= CopyDataFrame::kMaxCredential;
      const bool order = decoded && c.frame.message == CopyDataFrame::kOrderMessage &&
                         c.frame.payload_size == CopyDataFrame::kOrderSize;
      if (!decoded || (!credential && !order && !CrossesProcesses(c.frame.message))) {
        LogWarning("copy-data: dropped a malformed or unknown frame");
        Close(connection);
        return;
      }
      // The helpers' route is for helpers this process started, each of
      // which says so first: anything else that reaches it is dropped.
      if (!credential && c.sender.route == Route::kHelpers && c.sender.credential.empty()) {
        LogWarning("copy-data: dropped a message on the helpers' route without a credential");
        Close(connection);
        return;
      }
      c.framed = true;
      c.payload.resize(c.frame.payload_size);
      c.payload_got = 0;
    } else {
      c.payload_got += static_cast<std::size_t>(n);
    }
    if (c.payload_got == c.payload.size()) {
      if (c.frame.message == CopyDataFrame::kCredentialMessage) {
        c.sender.credential.assign(c.payload.begin(), c.payload.end());
      } else if (c.frame.message == CopyDataFrame::kOrderMessage) {
        c.sender.order = CopyDataFrame::DecodeOrder(c.payload.data());
      } else {
        // A sender that had gone by the time its frame was read has
        // withdrawn it: looked at again before the dispatch.
        if (condition & (G_IO_HUP | G_IO_ERR)) c.waited = true;
        Enqueue(connection);
        return;
      }
      // Kept for the messages that follow; the next frame is read at once.
      c.header_got = 0;
      c.payload.clear();
      c.payload_got = 0;
    }
  }
}

void CopyDataReceiver::Enqueue(const std::shared_ptr<Connection>& connection) {
  connection->queued = true;
  queue_.push_back(connection);
  // With nothing ahead of it and no handler running, the message is served
  // now rather than a loop turn later; otherwise it waits its turn.
  if (queue_.size() == 1 && !dispatching_) {
    DispatchOne();
  } else {
    connection->waited = true;
    ScheduleDispatch();
  }
}

void CopyDataReceiver::WakeDispatcherAt(std::int64_t time) {
  if (dispatcher_ == nullptr || dispatcher_at_ == time) return;
  dispatcher_at_ = time;
  g_source_set_ready_time(dispatcher_, time);
}

void CopyDataReceiver::SetOrderCheck(std::function<bool(const MessageSender&)> taken_in,
                                     std::chrono::milliseconds wait) {
  order_check_ = std::move(taken_in);
  order_wait_us_ = static_cast<std::int64_t>(wait.count()) * 1000;
  ResumeHeld();
}

void CopyDataReceiver::ResumeHeld() {
  if (!queue_.empty()) ScheduleDispatch();
}

bool CopyDataReceiver::InOrder(Connection& c) {
  return c.sender.order == 0 || !order_check_ || order_check_(c.sender);
}

void CopyDataReceiver::Answer(const std::shared_ptr<Connection>& connection, LRESULT result) {
  Connection& c = *connection;
  if (c.closed) return;
  unsigned char reply[CopyDataFrame::kReplySize];
  CopyDataFrame::EncodeReply(result, reply);
  // The sender waits for exactly this; a socket too full to take 16 bytes
  // belongs to a sender that does not read, and is dropped.
  if (send(c.fd, reply, sizeof(reply), MSG_NOSIGNAL | MSG_DONTWAIT) !=
      static_cast<ssize_t>(sizeof(reply))) {
    Close(connection);
    return;
  }
  c.queued = false;
  c.waited = false;
  c.held_until = 0;
  c.header_got = 0;
  if (c.payload.capacity() > kKeptPayload) {
    std::vector<unsigned char>().swap(c.payload);
  } else {
    c.payload.clear();
  }
  c.payload_got = 0;
  if (!c.watching_input) {
    c.watching_input = true;
    g_source_modify_unix_fd(c.source, c.tag, G_IO_IN);
  }
  c.frame_deadline = g_get_monotonic_time() + kFrameDeadlineUs;
  if (c.inbox_at < c.inbox.size()) {
    SetTimer(c, 0);  // what came after the message, read at the next turn
  } else if (c.timer_at < 0) {
    SetTimer(c, c.frame_deadline);
  }
}

// Serves the first queued message. While a handler runs, also when it runs a
// nested (modal) loop, the next message stays queued; reading and accepting
// go on meanwhile, and the handler's return schedules the next dispatch. A
// message whose sender's news has not come in yet waits at the head.
void CopyDataReceiver::DispatchOne() {
  WakeDispatcherAt(-1);
  if (dispatching_) return;
  while (!queue_.empty()) {
    std::shared_ptr<Connection> connection = queue_.front();
    Connection& c = *connection;
    if (c.closed) {
      queue_.pop_front();
      continue;
    }
    if (c.waited) {
      pollfd state{c.fd, 0, 0};
      if (poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR))) {
        queue_.pop_front();
        Close(connection);  // the sender gave up; nobody waits for this one
        continue;
      }
    }
    if (!InOrder(c)) {
      const gint64 now = g_get_monotonic_time();
      if (c.held_until == 0) c.held_until = now + order_wait_us_;
      if (now < c.held_until) {
        WakeDispatcherAt(c.held_until);  // or sooner, by ResumeHeld
        return;
      }
      queue_.pop_front();
      LogWarning(
          "copy-data: a message was answered undispatched: its sender's earlier news "
          "did not come in time");
      Answer(connection, 0);
      break;
    }
    queue_.pop_front();
    LRESULT result = 0;
    if (NativeWindow* window = LookupWindow(c.target)) {
      COPYDATASTRUCT record;
      record.dwData = static_cast<ULONG_PTR>(c.frame.data_tag);
      record.cbData = c.frame.payload_size;
      record.lpData = c.payload.empty() ? nullptr : c.payload.data();
      dispatching_ = true;
      current_sender_ = &c.sender;
      result = window->Dispatch(c.frame.message, static_cast<WPARAM>(c.frame.wparam),
                                reinterpret_cast<LPARAM>(&record));
      current_sender_ = nullptr;
      dispatching_ = false;
    }
    Answer(connection, result);
    break;  // one per turn, so input and drawing are served between messages
  }
  if (!queue_.empty()) ScheduleDispatch();
}

}  // namespace platform::channel

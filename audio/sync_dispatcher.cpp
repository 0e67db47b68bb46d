// The sync thread: the mixer and the decoder threads post events (end, metadata, stall) into a
// fixed ring without allocating; this thread looks up the channel's matching syncs under the
// engine lock, lets go of the lock and calls them, so a callback may call any BASS function.
#include <algorithm>

#include "audio/engine.h"

namespace audio {

void SyncDispatcher::start() {
  std::lock_guard<std::mutex> guard(lock_);
  if (thread_.joinable())
    return;
  quit_ = false;
  head_ = count_ = 0;
  thread_ = std::thread([this] { run(); });
}

void SyncDispatcher::stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!thread_.joinable())
      return;
    quit_ = true;
  }
  wake_.notify_one();
  if (onDispatcherThread())
    thread_.detach();  // BASS_Free from inside a sync callback
  else
    thread_.join();
}

void SyncDispatcher::post(HCHANNEL channel, DWORD type, DWORD data) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (count_ == kCapacity)
      return;  // a callback is badly behind; drop rather than block
    events_[(head_ + count_) % kCapacity] = SyncEvent{channel, type, data};
    ++count_;
  }
  wake_.notify_one();
}

void SyncDispatcher::run() {
  std::vector<Sync> due;
  for (;;) {
    SyncEvent ev;
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [this] { return quit_ || count_ > 0; });
      if (quit_)
        return;
      ev = events_[head_];
      head_ = (head_ + 1) % kCapacity;
      --count_;
    }
    if (ev.type == kSyncDeferredFree) {
      freeChannel(ev.channel, static_cast<Kind>(ev.data));
      continue;
    }
    due.clear();
    {
      auto& e = engine();
      std::lock_guard<std::recursive_mutex> guard(e.lock);
      Channel* ch = findChannel(ev.channel);
      if (!ch)
        continue;
      if (ev.type == kSyncTagsDue) {
        if (ch->tags.applyDue(ch->position) == 0)
          continue;
        ev.type = BASS_SYNC_META;
      }
      for (const auto& s : ch->syncs)
        if (s.type == ev.type)
          due.push_back(s);
      auto& list = ch->syncs;
      list.erase(
          std::remove_if(list.begin(), list.end(), [&](const Sync& s) { return s.type == ev.type && s.oneTime; }),
          list.end());
    }
    for (const auto& s : due)
      s.proc(s.id, ev.channel, ev.data, s.user);
  }
}

}  // namespace audio

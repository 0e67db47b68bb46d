// Events and listeners. ZEvent is a reference-counted event: its creator holds one reference,
// whoever keeps it adds one, and it is freed when the last one is released. IEventListener is
// the interface of every markup-created object; ZEventListener forwards events to a list of
// further listeners. Identifier families: 0x1000xx markup construction, 0x2000xx window,
// 0x2010xx pane manager, 0x2020xx parent pane, 0x2030xx the pane itself.
#pragma once

#include <cstdint>
#include <utility>

#include "ztools/base/zlinkedlist.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZEvent {
 public:
  // The new event holds one reference, its creator's.
  explicit ZEvent(uint32_t id, void* sender = nullptr, void* data = nullptr) noexcept
      : id_(id), sender_(sender), data_(data) {}
  ZEvent(const ZEvent&) = delete;
  ZEvent& operator=(const ZEvent&) = delete;

  void AddRef() noexcept { ++references_; }
  // Drops one reference; the event deletes itself when none is left. Answers the references left.
  int32_t Release() noexcept;
  int32_t References() const noexcept { return references_; }

  uint32_t Id() const noexcept { return id_; }
  void* Sender() const noexcept { return sender_; }
  void SetSender(void* sender) noexcept { sender_ = sender; }
  void* Data() const noexcept { return data_; }
  void SetData(void* data) noexcept { data_ = data; }

  // A one-line description for messages and logs; derived events describe their data.
  virtual ZString Describe() const;

 protected:
  virtual ~ZEvent() = default;  // events are freed by Release only

 private:
  uint32_t id_;
  int32_t references_ = 1;
  void* sender_;
  void* data_;
};

// Holds one reference to an event and releases it when it goes; MakeEvent adopts the
// creator's reference, so `auto e = MakeEvent<ZEvent>(id); listener->OnEvent(e.get());`
// leaks nothing whoever else keeps the event.
template <typename E>
class ZEventRef {
 public:
  ZEventRef() noexcept = default;
  // Takes over a reference the caller already holds.
  static ZEventRef Adopt(E* event) noexcept { return ZEventRef(event); }
  // Adds a reference of its own.
  static ZEventRef Share(E* event) noexcept {
    if (event)
      event->AddRef();
    return ZEventRef(event);
  }
  ZEventRef(const ZEventRef& other) noexcept : event_(other.event_) {
    if (event_)
      event_->AddRef();
  }
  ZEventRef(ZEventRef&& other) noexcept : event_(std::exchange(other.event_, nullptr)) {}
  ZEventRef& operator=(ZEventRef other) noexcept {
    std::swap(event_, other.event_);
    return *this;
  }
  ~ZEventRef() {
    if (event_)
      event_->Release();
  }
  E* get() const noexcept { return event_; }
  E* operator->() const noexcept { return event_; }
  E& operator*() const noexcept { return *event_; }
  explicit operator bool() const noexcept { return event_ != nullptr; }

 private:
  explicit ZEventRef(E* event) noexcept : event_(event) {}
  E* event_ = nullptr;
};

template <typename E, typename... Args>
ZEventRef<E> MakeEvent(Args&&... args) {
  return ZEventRef<E>::Adopt(new E(std::forward<Args>(args)...));
}

class IEventListener {
 public:
  virtual ~IEventListener() = default;
  // Receives one event; answers 0 or a negative error code. A listener that wants to keep the
  // event adds a reference to it.
  virtual int32_t OnEvent(ZEvent* event) = 0;
};

// A listener that passes every event on to the listeners added to it. Listeners may add or
// remove listeners (themselves included) while an event is being forwarded: a removed one gets
// nothing more, an added one gets the next event.
class ZEventListener : public IEventListener {
 public:
  // Adds a listener once; answers false if it was already there or is null.
  bool AddListener(IEventListener* listener);
  bool RemoveListener(IEventListener* listener);
  bool HasListener(IEventListener* listener) const { return listeners_.Contains(listener); }
  size_t ListenerCount() const noexcept { return listeners_.Count(); }

  // Forwards event to every listener in the order they were added. Every listener receives it
  // even when an earlier one fails; answers the first non-zero code, or 0.
  int32_t ForwardEvent(ZEvent* event);
  int32_t OnEvent(ZEvent* event) override { return ForwardEvent(event); }

 private:
  ZLinkedList<IEventListener*> listeners_;
};

}  // namespace ZTools

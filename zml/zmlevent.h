// The markup events (identifiers 0x1000xx) through which the host builds and destroys the
// objects of a document, each with its data and its text for messages. Objects receive them in
// IEventListener::OnEvent, switch on Id() and cast to the class of that identifier.
// Texts the events carry point into the document and stay valid while the host lives.
#pragma once

#include <cstdint>

#include "ztools/base/zevent.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZMLScriptHost;
class ZMLNode;

inline constexpr uint32_t kZMLEventGetTypeDecl = 0x100000;
inline constexpr uint32_t kZMLEventCreate = 0x100001;
inline constexpr uint32_t kZMLEventBeginInitialize = 0x100002;
inline constexpr uint32_t kZMLEventSetProperty = 0x100003;
inline constexpr uint32_t kZMLEventEndInitialize = 0x100004;
inline constexpr uint32_t kZMLEventChildCreate = 0x100005;
inline constexpr uint32_t kZMLEventChildFinish = 0x100006;
inline constexpr uint32_t kZMLEventFinish = 0x100007;
inline constexpr uint32_t kZMLEventChildDestroy = 0x100008;
inline constexpr uint32_t kZMLEventDependeeDestroy = 0x100009;
inline constexpr uint32_t kZMLEventDestroy = 0x10000a;

class ZMLEvent : public ZEvent {
 public:
  ZMLEvent(uint32_t id, ZMLScriptHost* host) noexcept : ZEvent(id, host), host_(host) {}
  ZMLScriptHost* Host() const noexcept { return host_; }

 private:
  ZMLScriptHost* host_;
};

// Sent to a prototype at registration; the object answers by setting its declaration.
class ZMLEventGetTypeDecl : public ZMLEvent {
 public:
  explicit ZMLEventGetTypeDecl(ZMLScriptHost* host) noexcept : ZMLEvent(kZMLEventGetTypeDecl, host) {}
  void SetDeclaration(const ZString& declaration) { declaration_ = declaration; }
  const ZString& Declaration() const noexcept { return declaration_; }
  ZString Describe() const override;

 private:
  ZString declaration_;
};

class ZMLEventCreate : public ZMLEvent {
 public:
  ZMLEventCreate(ZMLScriptHost* host, const ZMLNode& node) noexcept : ZMLEvent(kZMLEventCreate, host), node_(&node) {}
  const ZString& InterfaceName() const noexcept;
  // The name of the type whose factory made the object (an alias's type, for an alias).
  const ZString& TypeName() const noexcept;
  const ZString& Name() const noexcept;  // reference name, may be empty
  const ZMLNode& Node() const noexcept { return *node_; }
  ZString Describe() const override;
  // The host reuses an event that nobody kept for the next object.
  void Retarget(const ZMLNode& node) noexcept { node_ = &node; }

 private:
  const ZMLNode* node_;
};

class ZMLEventSetProperty : public ZMLEvent {
 public:
  ZMLEventSetProperty(ZMLScriptHost* host, const ZString& property, const ZString& value) noexcept
      : ZMLEvent(kZMLEventSetProperty, host), property_(&property), value_(&value) {}
  const ZString& Property() const noexcept { return *property_; }
  const ZString& Value() const noexcept { return *value_; }
  ZString Describe() const override;
  void Retarget(const ZString& property, const ZString& value) noexcept {
    property_ = &property;
    value_ = &value;
  }

 private:
  const ZString* property_;
  const ZString* value_;
};

// ChildCreate, ChildFinish and ChildDestroy: sent to the parent, about one child.
class ZMLEventChild : public ZMLEvent {
 public:
  ZMLEventChild(uint32_t id, ZMLScriptHost* host, const ZMLNode& child, IEventListener* object) noexcept
      : ZMLEvent(id, host), child_(&child), object_(object) {}
  const ZString& ChildInterface() const noexcept;
  const ZString& ChildType() const noexcept;
  const ZString& ChildName() const noexcept;
  IEventListener* Child() const noexcept { return object_; }
  const ZMLNode& ChildNode() const noexcept { return *child_; }
  ZString Describe() const override;
  void Retarget(const ZMLNode& child, IEventListener* object) noexcept {
    child_ = &child;
    object_ = object;
  }

 private:
  const ZMLNode* child_;
  IEventListener* object_;
};

class ZMLEventDependeeDestroy : public ZMLEvent {
 public:
  ZMLEventDependeeDestroy(ZMLScriptHost* host, const ZMLNode& dependee) noexcept
      : ZMLEvent(kZMLEventDependeeDestroy, host), dependee_(dependee) {}
  const ZString& InterfaceName() const noexcept;
  const ZString& RefName() const noexcept;
  IEventListener* Dependee() const noexcept;
  ZString Describe() const override;

 private:
  const ZMLNode& dependee_;
};

// BeginInitialize, EndInitialize, Finish and Destroy carry no data.
class ZMLEventPlain : public ZMLEvent {
 public:
  ZMLEventPlain(uint32_t id, ZMLScriptHost* host) noexcept : ZMLEvent(id, host) {}
  ZString Describe() const override;
};

}  // namespace ZTools

// Data access and message texts of the markup events.
#include "zml/zmlevent.h"

#include "zml/zmlnode.h"

namespace ZTools {

ZString ZMLEventGetTypeDecl::Describe() const {
  return ZString::Formatted("GetTypeDecl DeclString='%s'", declaration_.CStr());
}

const ZString& ZMLEventCreate::InterfaceName() const noexcept { return node_->InterfaceName(); }
const ZString& ZMLEventCreate::TypeName() const noexcept { return node_->Type().BaseType().typeName; }
const ZString& ZMLEventCreate::Name() const noexcept { return node_->Name(); }

ZString ZMLEventCreate::Describe() const {
  return ZString::Formatted("Create Interface='%s' Type='%s' Name='%s'", InterfaceName().CStr(), TypeName().CStr(),
                            Name().CStr());
}

ZString ZMLEventSetProperty::Describe() const {
  return ZString::Formatted("SetProperty Property='%s' Value='%s'", property_->CStr(), value_->CStr());
}

const ZString& ZMLEventChild::ChildInterface() const noexcept { return child_->InterfaceName(); }
const ZString& ZMLEventChild::ChildType() const noexcept { return child_->Type().BaseType().typeName; }
const ZString& ZMLEventChild::ChildName() const noexcept { return child_->Name(); }

ZString ZMLEventChild::Describe() const {
  const char* what = Id() == kZMLEventChildCreate   ? "ChildCreate"
                     : Id() == kZMLEventChildFinish ? "ChildFinish"
                                                    : "ChildDestroy";
  return ZString::Formatted("%s Interface='%s' Type='%s'", what, ChildInterface().CStr(), ChildType().CStr());
}

const ZString& ZMLEventDependeeDestroy::InterfaceName() const noexcept { return dependee_.InterfaceName(); }
const ZString& ZMLEventDependeeDestroy::RefName() const noexcept { return dependee_.Name(); }
IEventListener* ZMLEventDependeeDestroy::Dependee() const noexcept { return dependee_.Object(); }

ZString ZMLEventDependeeDestroy::Describe() const {
  return ZString::Formatted("DependeeDestroy Interface='%s' RefName='%s'", InterfaceName().CStr(), RefName().CStr());
}

ZString ZMLEventPlain::Describe() const {
  switch (Id()) {
    case kZMLEventBeginInitialize: return "BeginInitialize";
    case kZMLEventEndInitialize: return "EndInitialize";
    case kZMLEventFinish: return "Finish";
    case kZMLEventDestroy: return "Destroy";
    default: return ZEvent::Describe();
  }
}

}  // namespace ZTools

// ZMLScriptHost: registries, parsing entry points, building and teardown of the object tree.
//
// Building and teardown walk the node tree with an explicit stack, never by recursion, so a
// document nested 10,000 levels deep is built and destroyed like a flat one. Nodes belong to
// the host (nodes_) and are freed in one go after the teardown.
#include "zml/zmlscripthost.h"

#include <new>
#include <utility>

#include "platform/dialog.h"
#include "zml/zmldefaulttag.h"
#include "zml/zmlevent.h"
#include "zml/zmlfiles.h"
#include "zml/zmlgroup.h"
#include "zml/zmlreservedtags.h"
#include "zml/zmltagparser.h"
#include "zml/zmlvalue.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr const char* kParseErrorCaption = "ZMLScriptHost Script Parsing Error";
constexpr const char* kRuntimeErrorCaption = "ZMLScriptHost Runtime Error";
constexpr const char* kRegistrationErrorCaption = "ZMLScriptHost Type Registration Error";
constexpr std::string_view kAnyListener = "interface_ieventlistener";

// Runs body, turning a thrown ZError (or exhausted memory) into its code.
template <typename Body>
int32_t Guarded(Body&& body) {
  try {
    body();
    return 0;
  } catch (const ZError& e) {
    return e.Code();
  } catch (const std::bad_alloc&) {
    return kZErrOutOfMemory;
  }
}

IEventListener* MakeGroup() { return new ZMLGroup(); }

}  // namespace

ZMLScriptHost::ZMLScriptHost() = default;

ZMLScriptHost::~ZMLScriptHost() { Teardown(); }

int32_t ZMLScriptHost::Initialize() {
  if (initialized_)
    return 0;
  return Guarded([&] {
    // The registries outlive a teardown; a host initialized again only makes a new root.
    if (!externalType_) {
      ZMLRegisterReservedTags(*this);
      for (const char* declaration : {"interface_zmlroot::zmlroot(...)", "interface_zmlgroup::zmlgroup(...)"}) {
        auto decl = std::make_unique<ZMLTypeDecl>();
        ZMLParseTypeDecl(declaration, *decl);
        decl->factory = MakeGroup;
        AddType(std::move(decl));
      }
      externalType_ = std::make_unique<ZMLTypeDecl>();
      externalType_->typeName = "external";
    }

    root_ = NewNode(FindType("zmlroot"));
    root_->name_ = "zmlroot";
    root_->object_ = MakeGroup();
    nodesByObject_[root_->object_] = root_;
    parseParent_ = root_;
    initialized_ = true;
    // The root goes through the same life as any object, so a group can rely on Create.
    root_->object_->OnEvent(MakeEvent<ZMLEventCreate>(this, *root_).get());
    for (uint32_t id : {kZMLEventBeginInitialize, kZMLEventEndInitialize, kZMLEventFinish})
      root_->object_->OnEvent(MakeEvent<ZMLEventPlain>(id, this).get());
  });
}

// ---------------------------------------------------------------------------------------------
// Registries

int32_t ZMLScriptHost::RegisterTagHandler(std::string_view name, ZMLTagHandlerFactory factory) {
  if (!factory)
    return kZErrNullPointer;
  ZString key(name);
  key.MakeLower();
  if (tagHandlers_.count(key) || typesByName_.count(key))
    return kZErrTypeAlreadyRegistered;
  tagHandlers_.emplace(std::move(key), std::move(factory));
  return 0;
}

std::unique_ptr<ZMLTagHandler> ZMLScriptHost::CreateTagHandler(std::string_view lowerName) {
  auto it = tagHandlers_.find(lowerName);
  if (it != tagHandlers_.end())
    return it->second();
  return std::make_unique<ZMLDefaultTag>();
}

const ZMLTagHandlerFactory* ZMLScriptHost::FindTagHandler(std::string_view lowerName) const {
  auto it = tagHandlers_.find(lowerName);
  return it == tagHandlers_.end() ? nullptr : &it->second;
}

const ZMLTypeDecl* ZMLScriptHost::FindType(std::string_view name) const {
  auto it = typesByName_.find(name);
  return it == typesByName_.end() ? nullptr : it->second;
}

void ZMLScriptHost::AddType(std::unique_ptr<ZMLTypeDecl> decl) {
  if (typesByName_.count(decl->typeName) || tagHandlers_.count(decl->typeName))
    throw ZError(kZErrTypeAlreadyRegistered);
  typesByName_.emplace(decl->typeName, decl.get());
  types_.push_back(std::move(decl));
}

int32_t ZMLScriptHost::RegisterType(ZMLObjectFactory factory) {
  const int32_t code = Guarded([&] {
    if (!factory)
      throw ZError(kZErrNullPointer);
    std::unique_ptr<IEventListener> prototype(factory());
    if (!prototype)
      throw ZError(kZErrNullPointer);
    auto query = MakeEvent<ZMLEventGetTypeDecl>(this);
    if (const int32_t answer = prototype->OnEvent(query.get()); answer != 0)
      throw ZError(answer);
    ZString declaration = query->Declaration();
    declaration.MakeLower();
    prototype.reset();
    auto decl = std::make_unique<ZMLTypeDecl>();
    ZMLParseTypeDecl(declaration.View(), *decl);
    decl->factory = std::move(factory);
    AddType(std::move(decl));
  });
  if (code != 0)
    ReportTypeRegistrationError(code);
  return code;
}

void ZMLScriptHost::RegisterAlias(std::string_view name, std::string_view typeName,
                                  const std::vector<std::pair<ZString, ZString>>& presets) {
  ZString alias(name);
  alias.MakeLower();
  if (!ZMLIsIdentifier(alias.View()))
    throw ZError(kZErrIllegalIdentifier);
  const ZMLTypeDecl* type = FindType(typeName);
  if (!type)
    throw ZError(kZErrTypeNotRegistered);
  const ZMLTypeDecl& base = type->BaseType();
  // The document root is made once by the host; a second tag for it could only break the tree.
  if (base.typeName.View() == "zmlroot")
    throw ZError(kZErrCannotAlias);
  auto decl = std::make_unique<ZMLTypeDecl>(*type);
  decl->typeName = alias;
  decl->aliasOf = &base;
  for (const auto& [property, value] : presets) {
    const int index = decl->FindProperty(property.View());
    if (index < 0)
      throw ZError(kZErrUnknownProperty);
    decl->properties[static_cast<size_t>(index)].defaultValue = value;
    decl->properties[static_cast<size_t>(index)].hasDefault = true;
  }
  AddType(std::move(decl));
}

void ZMLScriptHost::DefineGroup(std::string_view name, std::string_view types) {
  ZString declaration = ZString::Formatted("%s::%.*s (%.*s)", "interface_zmlgroup", static_cast<int>(name.size()),
                                           name.data(), static_cast<int>(types.size()), types.data());
  declaration.MakeLower();
  auto decl = std::make_unique<ZMLTypeDecl>();
  try {
    ZMLParseTypeDecl(declaration.View(), *decl);
  } catch (const ZError&) {
    throw ZError(kZErrIllegalPropertyValue);
  }
  decl->factory = MakeGroup;
  AddType(std::move(decl));
}

int32_t ZMLScriptHost::DefineVariable(std::string_view name, std::string_view value, bool constant) {
  ZString key(name);
  key.MakeLower();
  auto it = variables_.find(key);
  if (it == variables_.end()) {
    variables_.emplace(std::move(key), Variable{ZString(value), constant});
    return 0;
  }
  if (it->second.constant)
    return kZErrConstantAlreadyDefined;
  it->second.text = value;
  it->second.constant = constant;
  return 0;
}

const ZString* ZMLScriptHost::GetVariable(std::string_view name) const {
  auto it = variables_.find(name);
  return it == variables_.end() ? nullptr : &it->second.text;
}

int32_t ZMLScriptHost::ProcessValue(ZString& value) {
  return Guarded([&] {
    const bool expands = value.View().find("$(") != std::string_view::npos;
    ZMLProcessValue(value, [this](std::string_view lowerName) { return GetVariable(lowerName); });
    // Values are kept in the nodes: doubling variables must not fill the memory either.
    if (expands && parseDepth_ > 0) {
      expandedBytes_ += value.Length();
      if (expandedBytes_ > kMaxExpandedBytesPerDocument)
        throw ZError(kZErrVariableSyntax);
    }
  });
}

const char* ZMLScriptHost::GetErrorText(int32_t code) const { return ZErrorText(code); }

// ---------------------------------------------------------------------------------------------
// Nodes and reference names

ZMLNode* ZMLScriptHost::NewNode(const ZMLTypeDecl* type) {
  ZMLNode* node = &nodes_.emplace_back(type);
  node->values_.resize(type->properties.size());
  for (size_t i = 0; i < type->properties.size(); ++i)
    if (type->properties[i].hasDefault)
      node->values_[i].value = type->properties[i].defaultValue;
  node->childCounts_.assign(type->children.size(), 0);
  if (run_) {
    const ZStringParser::Location where = run_->TagLocation();
    node->stream_ = static_cast<uint32_t>(streamNames_.size() - 1);
    node->line_ = where.line;
    node->column_ = where.column;
  }
  return node;
}

void ZMLScriptHost::AddNode(ZMLNode* node, ZMLNode* parent) {
  if (node->hasNameAttribute_) {
    node->nameGiven_.MakeLower();
    if (!ZMLIsIdentifier(node->nameGiven_.View()))
      throw ZError(kZErrIllegalIdentifier);
    if (references_.count(node->nameGiven_.View()))
      throw ZError(kZErrReferenceAlreadyDefined);
    node->name_ = std::move(node->nameGiven_);
    references_.emplace(node->name_.View(), node);  // the key is the node's own, stable text
  } else if (references_.try_emplace(node->TypeName().View(), node).second) {
    node->name_ = node->TypeName();
  }
  MatchChild(parent, node);
  node->parent_ = parent;
  parent->children_.push_back(node);
}

void ZMLScriptHost::MatchChild(ZMLNode* parent, ZMLNode* child) {
  const ZMLTypeDecl& type = parent->Type();
  if (type.anyChildren)
    return;
  const auto& decls = type.children;
  size_t match = decls.size();
  for (size_t i = 0; i < decls.size() && match == decls.size(); ++i)
    if (decls[i].name == child->InterfaceName())
      match = i;
  // Then by tag name; an alias also matches as the type it stands for.
  for (size_t i = 0; i < decls.size() && match == decls.size(); ++i)
    if (decls[i].name == child->TypeName() || decls[i].name == child->Type().BaseType().typeName)
      match = i;
  if (match == decls.size())
    throw ZError(kZErrIncompatibleChild);
  const ZMLQuantity quantity = decls[match].quantity;
  const bool single = quantity == ZMLQuantity::kExactlyOne || quantity == ZMLQuantity::kAtMostOne;
  if (single && parent->childCounts_[match] > 0)
    throw ZError(kZErrTooManyChildren);
  ++parent->childCounts_[match];
}

int32_t ZMLScriptHost::RegisterObject(std::string_view interfaceName, std::string_view name, IEventListener* object) {
  if (!object)
    return kZErrNullPointer;
  if (!initialized_)
    return kZErrObjectNotAvailable;
  return Guarded([&] {
    ZString key(name);
    key.MakeLower();
    if (!ZMLIsIdentifier(key.View()))
      throw ZError(kZErrIllegalIdentifier);
    if (references_.count(key))
      throw ZError(kZErrReferenceAlreadyDefined);
    // Each external object gets a descriptor of its own, so that it can carry its interface.
    auto decl = std::make_unique<ZMLTypeDecl>(*externalType_);
    decl->interfaceName = interfaceName;
    decl->interfaceName.MakeLower();
    ZMLNode* node = &nodes_.emplace_back(decl.get());
    externalTypes_.push_back(std::move(decl));
    node->external_ = true;
    node->name_ = key;
    node->object_ = object;
    references_.emplace(node->name_.View(), node);
    nodesByObject_[object] = node;
  });
}

ZMLNode* ZMLScriptHost::FindNode(std::string_view name) const {
  auto it = references_.find(name);
  return it == references_.end() ? nullptr : it->second;
}

const ZString& ZMLScriptHost::StreamOf(const ZMLNode& node) const {
  static const ZString kNone;
  return node.stream_ < streamNames_.size() ? streamNames_[node.stream_] : kNone;
}

ZMLNode* ZMLScriptHost::NodeOf(const IEventListener* object) const {
  auto it = nodesByObject_.find(object);
  return it == nodesByObject_.end() ? nullptr : it->second;
}

int32_t ZMLScriptHost::GetObject(std::string_view interfaceName, std::string_view name, IEventListener** object) {
  if (object)
    *object = nullptr;
  const ZMLNode* node = FindNode(name);
  if (!node)
    return kZErrReferenceNotDefined;
  if (!ZEqualsNoCase(interfaceName, kAnyListener) && !ZEqualsNoCase(interfaceName, node->InterfaceName().View()))
    return kZErrInterfaceMismatch;
  if (!node->object_)
    return kZErrNoInstance;
  if (object)
    *object = node->object_;
  return 0;
}

ZMLNode* ZMLScriptHost::FindByPath(std::string_view path, ZMLNode* start) {
  ZMLNode* node = start;
  while (!path.empty()) {
    const size_t dot = path.find('.');
    const std::string_view part = path.substr(0, dot);
    path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    if (!node) {
      node = FindNode(part);
    } else {
      // A named child first, else the first child of that tag.
      ZMLNode* found = nullptr;
      for (ZMLNode* child : node->children_)
        if (ZEqualsNoCase(child->name_.View(), part)) {
          found = child;
          break;
        }
      if (!found)
        for (ZMLNode* child : node->children_)
          if (ZEqualsNoCase(child->TypeName().View(), part)) {
            found = child;
            break;
          }
      node = found;
    }
    if (!node)
      return nullptr;
  }
  return node;
}

int32_t ZMLScriptHost::AddDependency(IEventListener* dependent, IEventListener* dependee) {
  ZMLNode* user = NodeOf(dependent);
  ZMLNode* used = NodeOf(dependee);
  if (!user || !used)
    return kZErrReferenceNotDefined;
  if (used->external_ || user->external_)
    return kZErrExternalDependency;
  for (ZMLNode* existing : used->dependents_)
    if (existing == user)
      return 0;
  used->dependents_.push_back(user);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Parsing

int32_t ZMLScriptHost::ParseText(std::string_view text) {
  if (!initialized_)
    return kZErrRootNotDefined;
  const size_t first = root_->children_.size();
  const int32_t code = ParseStream(text, kAnonymousStream, root_);
  if (code != 0)
    return code;
  return parseDepth_ == 0 ? BuildChildren(root_, first) : 0;
}

int32_t ZMLScriptHost::ParseFile(std::string_view path) {
  if (!initialized_)
    return kZErrRootNotDefined;
  const size_t first = root_->children_.size();
  const int32_t code = ParseFileUnder(path, root_);
  if (code != 0)
    return code;
  return parseDepth_ == 0 ? BuildChildren(root_, first) : 0;
}

int32_t ZMLScriptHost::ParseFileUnder(std::string_view path, ZMLNode* parent) {
  ZString key;
  if (!ZMLMarkupFileKey(path, key))
    return kZErrNotFound;
  for (const ZString& open : importStack_)
    if (open == key)
      return kZErrImportRecursion;
  if (importStack_.size() >= kMaxImportNesting)
    return kZErrImportFailed;
  // Each file may import others more than once; the total keeps such trees from exploding.
  if (parseDepth_ > 0 && ++importsThisDocument_ > kMaxImportsPerDocument)
    return kZErrImportFailed;
  ZString text;
  if (const int32_t code = ZMLReadMarkupFile(path, text); code != 0) {
    // A file that cannot be read has no line to name; it is still shown like a parse error.
    const ZString message = ZString::Formatted(
        "An error was detected while parsing the script:\n\nFile:\t%.*s\nLine:\t%d\nColumn:\t%d\nError:\t%s",
        static_cast<int>(path.size()), path.data(), 0, 0, ZErrorText(code));
    Report(code, ZString(path), 0, 0, kParseErrorCaption, message);
    return code;
  }
  importStack_.push_back(key);
  const int32_t code = ParseStream(text.View(), ZString(path), parent);
  importStack_.pop_back();
  return code;
}

int32_t ZMLScriptHost::ParseStream(std::string_view text, const ZString& streamName, ZMLNode* parent) {
  if (parseDepth_ == 0) {
    importsThisDocument_ = 0;
    expandedBytes_ = 0;
  }
  streamNames_.push_back(streamName);
  // About one object per hundred characters in ordinary skins; growing the tables in steps
  // would rehash them several times over.
  references_.reserve(references_.size() + text.size() / 128);
  nodesByObject_.reserve(nodesByObject_.size() + text.size() / 128);
  ZMLTagParserRun run(*this, text);
  ZMLTagParserRun* const outerRun = run_;
  ZMLNode* const outerParent = parseParent_;
  run_ = &run;
  parseParent_ = parent;
  ++parseDepth_;
  int32_t code = Guarded([&] { run.Run(); });
  --parseDepth_;
  parseParent_ = outerParent;
  run_ = outerRun;
  if (code != 0) {
    run.Abandon();
    const ZStringParser::Location where = run.Location();
    const ZString message = ZString::Formatted(
        "An error was detected while parsing the script:\n\nFile:\t%s\nLine:\t%d\nColumn:\t%d\nError:\t%s",
        streamName.CStr(), where.line, where.column, ZErrorText(code));
    Report(code, streamName, where.line, where.column, kParseErrorCaption, message);
  }
  return code;
}

void ZMLScriptHost::ImportFile(std::string_view path, ZMLNode* parent) {
  const int32_t code = ParseFileUnder(path, parent);
  if (code == kZErrImportRecursion)
    throw ZError(code);
  if (code != 0)
    throw ZError(kZErrImportFailed);
}

void ZMLScriptHost::ImportFolder(std::string_view path, int32_t depth, ZMLNode* parent) {
  std::vector<ZString> files;
  if (ZMLListMarkupFiles(path, depth, files) != 0)
    throw ZError(kZErrImportFailed);
  for (const ZString& file : files)
    ImportFile(file.View(), parent);
}

// ---------------------------------------------------------------------------------------------
// Building

// An object answers with a code; one that throws ZError instead (as objects that do real work
// at their Finish event may) is treated the same way.
int32_t ZMLScriptHost::Deliver(IEventListener* object, ZMLEvent& event) {
  try {
    return object->OnEvent(&event);
  } catch (const ZError& e) {
    return e.Code();
  } catch (const std::bad_alloc&) {
    return kZErrOutOfMemory;
  }
}

void ZMLScriptHost::Send(ZMLNode* node, ZMLEvent& event) {
  const int32_t code = Deliver(node->object_, event);
  if (code != 0) {
    ReportRuntimeError(node, event, code);
    throw ZError(code);
  }
}

// One event of each kind serves every object of a build; an object that keeps an event (adds a
// reference) gets it to itself, and the next object a new one.
struct ZMLScriptHost::BuildEvents {
  ZEventRef<ZMLEventCreate> create;
  ZEventRef<ZMLEventChild> childCreate, childFinish;
  ZEventRef<ZMLEventSetProperty> setProperty;
  ZEventRef<ZMLEventPlain> beginInitialize, endInitialize, finish;
};

namespace {

bool Unshared(const ZEvent* event) { return event && event->References() == 1; }

ZMLEventPlain& PlainEvent(ZEventRef<ZMLEventPlain>& slot, uint32_t id, ZMLScriptHost* host) {
  if (!Unshared(slot.get()))
    slot = MakeEvent<ZMLEventPlain>(id, host);
  return *slot;
}

ZMLEventChild& ChildEvent(ZEventRef<ZMLEventChild>& slot, uint32_t id, ZMLScriptHost* host, const ZMLNode& child,
                          IEventListener* object) {
  if (Unshared(slot.get()))
    slot->Retarget(child, object);
  else
    slot = MakeEvent<ZMLEventChild>(id, host, child, object);
  return *slot;
}

}  // namespace

void ZMLScriptHost::BuildEnter(ZMLNode* node) {
  BuildEvents& events = *events_;
  const ZMLTypeDecl& type = node->Type();
  ZMLNode* parent = node->parent_ == root_ ? nullptr : node->parent_;
  if (Unshared(events.create.get()))
    events.create->Retarget(*node);
  else
    events.create = MakeEvent<ZMLEventCreate>(this, *node);
  IEventListener* object = nullptr;
  int32_t failure = kZErrNullPointer;
  try {
    if (type.factory)
      object = type.factory();
  } catch (const ZError& e) {
    failure = e.Code();
  } catch (const std::bad_alloc&) {
    failure = kZErrOutOfMemory;
  }
  if (!object) {
    ReportRuntimeError(node, *events.create, failure);
    throw ZError(failure);
  }
  node->object_ = object;
  nodesByObject_[object] = node;
  Send(node, *events.create);
  if (parent && parent->object_)
    Send(parent, ChildEvent(events.childCreate, kZMLEventChildCreate, this, *node, object));
  Send(node, PlainEvent(events.beginInitialize, kZMLEventBeginInitialize, this));
  for (size_t i = 0; i < type.properties.size(); ++i) {
    const ZMLPropertyValue& value = node->values_[i];
    if (!value.given && !type.properties[i].hasDefault)
      continue;
    if (Unshared(events.setProperty.get()))
      events.setProperty->Retarget(type.properties[i].name, value.value);
    else
      events.setProperty = MakeEvent<ZMLEventSetProperty>(this, type.properties[i].name, value.value);
    Send(node, *events.setProperty);
  }
  Send(node, PlainEvent(events.endInitialize, kZMLEventEndInitialize, this));
}

void ZMLScriptHost::BuildLeave(ZMLNode* node) {
  BuildEvents& events = *events_;
  ZMLNode* parent = node->parent_ == root_ ? nullptr : node->parent_;
  if (parent && parent->object_)
    Send(parent, ChildEvent(events.childFinish, kZMLEventChildFinish, this, *node, node->object_));
  Send(node, PlainEvent(events.finish, kZMLEventFinish, this));
}

int32_t ZMLScriptHost::BuildChildren(ZMLNode* parent, size_t first) {
  struct Frame {
    ZMLNode* node;
    size_t next;
  };
  std::vector<Frame> stack;
  // A build may start another (an object parsing markup of its own): each has its own events.
  std::unique_ptr<BuildEvents> outerEvents = std::move(events_);
  events_ = std::make_unique<BuildEvents>();
  const int32_t code = Guarded([&] {
    for (size_t i = first; i < parent->children_.size(); ++i) {
      ZMLNode* top = parent->children_[i];
      if (top->object_)
        continue;
      BuildEnter(top);
      stack.push_back({top, 0});
      while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.node->children_.size()) {
          ZMLNode* child = frame.node->children_[frame.next++];
          BuildEnter(child);
          stack.push_back({child, 0});
        } else {
          ZMLNode* done = frame.node;
          stack.pop_back();
          BuildLeave(done);
        }
      }
    }
  });
  events_ = std::move(outerEvents);
  return code;
}

// ---------------------------------------------------------------------------------------------
// Teardown

int32_t ZMLScriptHost::Teardown() {
  if (!root_)
    return 0;
  int32_t first = 0;
  auto remember = [&first](int32_t code) {
    if (code != 0 && first == 0)
      first = code;
  };
  auto deliver = [&](ZMLNode* to, ZMLEvent& event) {
    if (to && to->object_ && !to->external_)
      remember(Deliver(to->object_, event));
  };

  // Each node is entered once (ChildDestroy to its parent), then its children are destroyed
  // from the last to the first, then the node itself.
  struct Frame {
    ZMLNode* node;
    size_t left;  // children not yet destroyed
  };
  std::vector<Frame> stack;
  stack.push_back({root_, root_->children_.size()});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.left > 0) {
      ZMLNode* child = frame.node->children_[--frame.left];
      ZMLNode* parent = frame.node == root_ ? nullptr : frame.node;
      if (parent && child->object_) {
        auto event = MakeEvent<ZMLEventChild>(kZMLEventChildDestroy, this, *child, child->object_);
        deliver(parent, *event);
      }
      stack.push_back({child, child->children_.size()});
      continue;
    }
    ZMLNode* node = frame.node;
    stack.pop_back();
    if (!node->object_)
      continue;
    for (ZMLNode* dependent : node->dependents_) {
      auto event = MakeEvent<ZMLEventDependeeDestroy>(this, *node);
      deliver(dependent, *event);
    }
    deliver(node, *MakeEvent<ZMLEventPlain>(kZMLEventDestroy, this));
    nodesByObject_.erase(node->object_);
    delete node->object_;
    node->object_ = nullptr;
  }

  references_.clear();
  nodesByObject_.clear();
  root_ = nullptr;
  parseParent_ = nullptr;
  nodes_.clear();
  externalTypes_.clear();
  initialized_ = false;
  return first;
}

// ---------------------------------------------------------------------------------------------
// Reporting

void ZMLScriptHost::Report(int32_t code, const ZString& stream, int32_t line, int32_t column, const char* caption,
                           const ZString& text) {
  ZMLDiagnostic diagnostic;
  diagnostic.code = code;
  diagnostic.stream = stream;
  diagnostic.line = line;
  diagnostic.column = column;
  diagnostic.caption = caption;
  diagnostic.text = text;
  diagnostics_.push_back(diagnostic);
  Platform::ShowMessageBox(caption, text.View());
}

void ZMLScriptHost::ReportRuntimeError(ZMLNode* node, const ZMLEvent& event, int32_t code) {
  const ZString message = ZString::Formatted(
      "A scriptable object returned an error:\n\nName:\t%s\nType:\t%s::%s\nEvent:\t%s\nError:\t%s", node->Name().CStr(),
      node->InterfaceName().CStr(), node->Type().BaseType().typeName.CStr(), event.Describe().CStr(), ZErrorText(code));
  const ZString stream = node->stream_ < streamNames_.size() ? streamNames_[node->stream_] : ZString();
  Report(code, stream, node->line_, node->column_, kRuntimeErrorCaption, message);
}

void ZMLScriptHost::ReportTypeRegistrationError(int32_t code) {
  const ZString message = ZString::Formatted("\nZML Script Error '%s' [%d]\n\n", ZErrorText(code), code);
  Report(code, ZString(), 0, 0, kRegistrationErrorCaption, message);
}

}  // namespace ZTools

// ZMLScriptHost: parses ZML documents, checks them against registered type declarations and
// builds them into a tree of objects (every object an IEventListener) by sending each object a
// fixed sequence of markup events. It keeps the document's types, aliases, groups, variables,
// constants, reference names and imports, reports every error in a message box, and tears the
// tree down again. Parsing, building and teardown are iterative, so nesting depth is not limited
// by the C stack; only imports nest by recursion, up to kMaxImportNesting files.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zml/zmlnode.h"
#include "zml/zmlparser.h"
#include "zml/zmltaghandler.h"
#include "zml/zmltypedecl.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class IEventListener;
class ZMLEvent;
class ZStringParser;
class ZMLTagParserRun;

// One reported error, as it was shown, with where it happened (line 0 when there is no place).
struct ZMLDiagnostic {
  int32_t code = 0;
  ZString stream;  // file name, "(anonymous text stream)", or empty
  int32_t line = 0;
  int32_t column = 0;
  ZString caption;  // the message box's title
  ZString text;     // the message box's text
};

class ZMLScriptHost : public ZMLParser, public ZMLTagParser {
 public:
  static constexpr const char* kAnonymousStream = "(anonymous text stream)";
  // Imports nest by recursion; a chain of more files than this fails with kZErrImportFailed.
  static constexpr size_t kMaxImportNesting = 64;
  // One document (with everything it imports) may parse at most this many imported files, and
  // its values may grow through variable references to at most this many bytes in total;
  // beyond, kZErrImportFailed and kZErrVariableSyntax.
  static constexpr size_t kMaxImportsPerDocument = 10000;
  static constexpr size_t kMaxExpandedBytesPerDocument = size_t{256} << 20;

  ZMLScriptHost();
  ~ZMLScriptHost() override;
  ZMLScriptHost(const ZMLScriptHost&) = delete;
  ZMLScriptHost& operator=(const ZMLScriptHost&) = delete;

  // ZMLParser
  int32_t Initialize() override;
  int32_t RegisterType(ZMLObjectFactory factory) override;
  int32_t ParseText(std::string_view text) override;
  int32_t ParseFile(std::string_view path) override;
  int32_t GetObject(std::string_view interfaceName, std::string_view name, IEventListener** object) override;
  ZMLNode* FindByPath(std::string_view path, ZMLNode* start = nullptr) override;
  int32_t DefineVariable(std::string_view name, std::string_view value, bool constant) override;
  const ZString* GetVariable(std::string_view name) const override;

  // ZMLTagParser
  int32_t RegisterTagHandler(std::string_view name, ZMLTagHandlerFactory factory) override;
  int32_t ProcessValue(ZString& value) override;
  const char* GetErrorText(int32_t code) const override;

  // Names an object that the host did not make (the pane manager, the default runtime
  // initializer) so that markup can refer to it; the host must be initialized. The host never
  // sends it events or deletes it.
  int32_t RegisterObject(std::string_view interfaceName, std::string_view name, IEventListener* object);
  // Records that dependent uses dependee: dependent receives DependeeDestroy before dependee
  // is destroyed. Both must be objects the host built; an external dependee is
  // kZErrExternalDependency.
  int32_t AddDependency(IEventListener* dependent, IEventListener* dependee);
  // Destroys every object from the root down and frees the nodes; answers the first error an
  // object reported (the teardown goes on regardless). Also done by the destructor.
  int32_t Teardown();

  // Looking at the document.
  ZMLNode* Root() const noexcept { return root_; }
  ZMLNode* FindNode(std::string_view name) const;  // by reference name, any case
  // The name of the stream a node was parsed from; empty for nodes no parse made.
  const ZString& StreamOf(const ZMLNode& node) const;
  ZMLNode* NodeOf(const IEventListener* object) const;
  const ZMLTypeDecl* FindType(std::string_view name) const;  // by tag name, any case
  const std::vector<std::unique_ptr<ZMLTypeDecl>>& Types() const noexcept { return types_; }
  // Every error reported so far, oldest first.
  const std::vector<ZMLDiagnostic>& Diagnostics() const noexcept { return diagnostics_; }
  void ClearDiagnostics() { diagnostics_.clear(); }

  // Services for tag handlers (they throw ZError).
  ZMLNode* NewNode(const ZMLTypeDecl* type);
  // The node under which top-level tags of the running parse are placed.
  ZMLNode* CurrentParent() const noexcept { return parseParent_; }
  // Registers the node's reference name and adds it to parent, checking the parent's children.
  void AddNode(ZMLNode* node, ZMLNode* parent);
  // The factory of a reserved tag, or null.
  const ZMLTagHandlerFactory* FindTagHandler(std::string_view lowerName) const;
  // The handler for a tag: the reserved tag's own, or a ZMLDefaultTag.
  std::unique_ptr<ZMLTagHandler> CreateTagHandler(std::string_view lowerName);
  void RegisterAlias(std::string_view name, std::string_view typeName,
                     const std::vector<std::pair<ZString, ZString>>& presets);
  void DefineGroup(std::string_view name, std::string_view types);
  // Parses a file, or every markup file of a folder, under parent; throws the import's code.
  void ImportFile(std::string_view path, ZMLNode* parent);
  void ImportFolder(std::string_view path, int32_t depth, ZMLNode* parent);

 private:
  struct Variable {
    ZString text;
    bool constant = false;
  };
  // Keys view the nodes' own names (or their type's name), which never change or move.
  using NameMap = std::unordered_map<std::string_view, ZMLNode*, ZStringHashNoCase, ZStringEqualNoCase>;

  // Parses one text under parent; shows and answers the first error. Does not build.
  int32_t ParseStream(std::string_view text, const ZString& streamName, ZMLNode* parent);
  // Parses a file through the resource layer under parent (import stack, kZErrImportRecursion).
  int32_t ParseFileUnder(std::string_view path, ZMLNode* parent);
  // Builds the objects of parent's children from index first on; shows and answers an error.
  int32_t BuildChildren(ZMLNode* parent, size_t first);
  void BuildEnter(ZMLNode* node);
  void BuildLeave(ZMLNode* node);
  int32_t Deliver(IEventListener* object, ZMLEvent& event);
  void Send(ZMLNode* node, ZMLEvent& event);
  void ReportRuntimeError(ZMLNode* node, const ZMLEvent& event, int32_t code);
  void ReportTypeRegistrationError(int32_t code);
  void Report(int32_t code, const ZString& stream, int32_t line, int32_t column, const char* caption,
              const ZString& text);
  void AddType(std::unique_ptr<ZMLTypeDecl> decl);
  void MatchChild(ZMLNode* parent, ZMLNode* child);

  bool initialized_ = false;
  std::vector<std::unique_ptr<ZMLTypeDecl>> types_;
  std::unordered_map<ZString, ZMLTypeDecl*, ZStringHashNoCase, ZStringEqualNoCase> typesByName_;
  std::unordered_map<ZString, ZMLTagHandlerFactory, ZStringHashNoCase, ZStringEqualNoCase> tagHandlers_;
  std::unordered_map<ZString, Variable, ZStringHashNoCase, ZStringEqualNoCase> variables_;
  std::deque<ZMLNode> nodes_;  // a deque never moves its elements
  std::unique_ptr<ZMLTypeDecl> externalType_;
  std::vector<std::unique_ptr<ZMLTypeDecl>> externalTypes_;
  NameMap references_;
  std::unordered_map<const IEventListener*, ZMLNode*> nodesByObject_;
  std::vector<ZString> importStack_;
  std::vector<ZString> streamNames_;  // every stream parsed, so nodes can name theirs
  std::vector<ZMLDiagnostic> diagnostics_;
  ZMLNode* root_ = nullptr;
  ZMLNode* parseParent_ = nullptr;
  size_t parseDepth_ = 0;
  size_t importsThisDocument_ = 0;
  size_t expandedBytes_ = 0;
  ZMLTagParserRun* run_ = nullptr;  // the innermost parse running
  struct BuildEvents;
  std::unique_ptr<BuildEvents> events_;  // reused from object to object while nobody keeps them
};

}  // namespace ZTools

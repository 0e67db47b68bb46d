// The two sides of the markup host, as abstract interfaces: ZMLParser is the document side
// (types, objects, variables: what the framework and its objects use), ZMLTagParser the tag
// side (reserved tags, value processing: what tag handlers use). ZMLScriptHost implements both.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/base/zstring.h"
#include "zml/zmltaghandler.h"
#include "zml/zmltypedecl.h"

namespace ZTools {

class IEventListener;
class ZMLNode;

class ZMLParser {
 public:
  virtual ~ZMLParser() = default;

  // Registers the reserved tags and the root and group types, and makes the root object.
  virtual int32_t Initialize() = 0;
  // Registers the type that factory makes; its declaration comes from a prototype object.
  virtual int32_t RegisterType(ZMLObjectFactory factory) = 0;
  // Parse a document under the root and build its objects. 0 or an error code; errors have
  // already been shown to the user.
  virtual int32_t ParseText(std::string_view text) = 0;
  virtual int32_t ParseFile(std::string_view path) = 0;
  // The built object of that reference name; "interface_ieventlistener" matches every object.
  virtual int32_t GetObject(std::string_view interfaceName, std::string_view name, IEventListener** object) = 0;
  // Resolves a dotted path a.b.c one name at a time, each under the node found before.
  virtual ZMLNode* FindByPath(std::string_view path, ZMLNode* start = nullptr) = 0;
  virtual int32_t DefineVariable(std::string_view name, std::string_view value, bool constant) = 0;
  // The variable's text, or null when it is not defined.
  virtual const ZString* GetVariable(std::string_view name) const = 0;
};

class ZMLTagParser {
 public:
  virtual ~ZMLTagParser() = default;

  virtual int32_t RegisterTagHandler(std::string_view name, ZMLTagHandlerFactory factory) = 0;
  // Replaces variable references and entities in value; 0 or an error code.
  virtual int32_t ProcessValue(ZString& value) = 0;
  virtual const char* GetErrorText(int32_t code) const = 0;
};

}  // namespace ZTools

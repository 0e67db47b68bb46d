// The type descriptor of a markup tag and the parser of its declaration string,
//   "interface_zpane::button flags? text='OK'? icon ( interface_zpane* views+ )",
// which names the interface, the tag, the properties (required unless marked '?', with an
// optional default) and the children the tag accepts ("(...)" for any).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "ztools/base/zstring.h"

namespace ZTools {

class IEventListener;

// Makes a new object of a markup type; the host owns and deletes what it returns.
using ZMLObjectFactory = std::function<IEventListener*()>;

struct ZMLPropertyDecl {
  ZString name;
  ZString defaultValue;
  bool hasDefault = false;
  bool optional = false;
};

enum class ZMLQuantity : uint8_t {
  kExactlyOne,  // no mark
  kAtMostOne,   // '?'
  kAny,         // '*'
  kOneOrMore,   // '+'
};

struct ZMLChildDecl {
  ZString name;  // an interface, type or group name
  ZMLQuantity quantity = ZMLQuantity::kExactlyOne;
};

struct ZMLTypeDecl {
  ZString interfaceName;
  ZString typeName;  // the tag name; for an alias, the alias's own name
  ZMLObjectFactory factory;
  bool anyChildren = false;
  std::vector<ZMLPropertyDecl> properties;  // in declaration order
  std::vector<ZMLChildDecl> children;       // in declaration order
  // For an alias, the type it stands for (never itself an alias); null otherwise.
  const ZMLTypeDecl* aliasOf = nullptr;

  // Index of the property of that (lower-case) name, or -1.
  int FindProperty(std::string_view name) const noexcept;
  // The type whose objects this descriptor makes: the aliased type, or itself.
  const ZMLTypeDecl& BaseType() const noexcept { return aliasOf ? *aliasOf : *this; }
};

// True when name is non-empty and consists of 0-9, _ and a-z only.
bool ZMLIsIdentifier(std::string_view name) noexcept;

// Parses a declaration that is already in lower case into decl (names, properties and
// children; the factory is left alone). Throws ZError: kZErrSyntax for a malformed declaration,
// kZErrIllegalIdentifier for a name with other characters, kZErrMultiplyDefinedProperty for a
// property declared twice.
void ZMLParseTypeDecl(std::string_view declaration, ZMLTypeDecl& decl);

}  // namespace ZTools

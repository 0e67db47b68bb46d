// The compiler's message table: one entry per error and warning code, in ascending code order,
// ended by a sentinel that stands for any code not in the table.
#include "zentra/compiler/zclmessages.h"

namespace {

// Level (0 for errors), code, text.
constexpr ZCLMessageEntry kMessages[] = {
    {0, 1200, "Unexpected End of file"},
    {0, 1201, "Unexpected token"},
    {0, 1202, "General Parser Error"},
    {0, 1203, "Function already defined"},
    {0, 1204, "Function redefined, typeless 'var' conflict"},
    {0, 1205, "Function redefined, inconsistent use of 'const' modifier"},
    {0, 1206, "Identifier already defined"},
    {0, 1207, "Function must return a value"},
    {0, 1208, "Function cannot return a value"},
    {0, 1209, "Incompatible type and no convertor found"},
    {0, 1210, "Expression is not a valid L-Value"},
    {0, 1211, "Expression is constant"},
    {0, 1212, "Using variable without initialization"},
    {0, 1213, "Undefined identifier"},
    {0, 1214, "Function undefined or no overload accepts the specified arguments"},
    {0, 1215, "Function does not return a value in all cases"},
    {0, 1216, "L-Value is a constant"},
    {0, 1217, "Copy-constructor undefined, unable to copy object"},
    {0, 1218, "Function declared but not defined"},
    {0, 1219, "Constructor cannot return a value"},
    {0, 1220, "Class member function needs to be declared in a class"},
    {0, 1221, "Cannot reimplement function from native type"},
    {0, 1222, "Constructors are methods, use 'method' keyword"},
    {0, 1223, "Cannot call constructor"},
    {0, 1224, "Not a valid constructor"},
    {0, 1225, "Cannot call method without an object"},
    {0, 1226, "Cannot call method from function"},
    {0, 1227, "Import not supported by native type"},
    {0, 1228, "Need an object left from '.'"},
    {0, 1229, "Variable declaration not allowed for native type"},
    {0, 1230, "Incomplete argument list"},
    {0, 1231, "Break statement without for/while/switch"},
    {0, 1232, "Expression without an L-Value"},
    {0, 1233, "Convertor method requires return type"},
    {0, 1234, "Convertors are methods, use 'method' keyword"},
    {0, 1235, "Convertor cannot have arguments"},
    {0, 1236, "Default must appear last in switch statement"},
    {0, 1237, "Case requires constant expression"},
    {0, 1238, "Operator typeof cannot evaluate typeless 'var'"},
    {0, 1239, "Class does not have a body"},
    {0, 1240, "Invalid character literal"},
    {0, 1241, "Identifier is not an array"},
    {0, 1242, "Missing ';' at end of statement"},
    {0, 1243, "Class does not define any constructor"},
    {0, 1244, "Mixing usage of 'class' and 'interface' keywords"},
    {0, 1245, "Inherited method not implemented"},
    {0, 1246, "Method definition not allowed for this type"},
    {0, 1247, "Type is not a class"},
    {0, 1248, "Function redefined, inconsistent use of reference modifier"},
    {0, 1249, "Function redefined, similar types"},
    {0, 1250, "Constructor does not initialize member variable in all cases"},
    {0, 1251, "Unable to resolve specified import"},
    {0, 1252, "Function signature not suitable for 'accessor'"},
    {0, 1253, "No suitable accessor defined"},
    {0, 1254, "Function redefined, different function types"},
    {0, 1255, "Fatal error"},
    {0, 1256, "Not a type declaration"},
    {0, 1257, "Ambiguous function call"},
    {0, 1258, "Error while running native binding code generator"},
    {0, 1259, "Cannot use 'return' in cofunction, use 'yield'"},
    {0, 1260, "Cannot use 'yield' outside of cofunctions"},
    {0, 1261, "Type 'thread' cannot be const"},
    {0, 1262, "Class does not implement interface 'exception'"},
    {0, 1263, "Modifier 'weak' requires reference type"},
    {0, 1264, "Function redefined, inconsistent use of 'weak' modifier"},
    {0, 1265, "Syntax error in statement"},
    {0, 1266, "Class requires explicit initialization"},
    {0, 1267, "Class has no default constructor"},
    {0, 1268, "Constant requires explicit initialization"},
    {0, 1269, "Interface is declared 'pure native' and cannot be implemented by script"},
    {0, 1270, "Modifier 'explicit' can only be used with constructor and convertor methods"},
    {0, 1271, "Cannot convert, conversion requires type-cast operator"},
    {0, 1272, "Unable to compile one or more function arguments"},
    {0, 1273, "Element type of an array cannot be 'array'"},
    {0, 1274, "Type is not an interface"},
    {0, 1275, "Function reference is ambiguous"},
    {0, 1276, "Cannot take function reference from this type of function"},
    {0, 1277, "No delegate defined that matches function signature"},
    {0, 1278, "Variable is not a delegate or cofunction thread"},
    {0, 1279, "Expected 'hybrid' while defining class constructor"},
    {0, 1280, "Cannot use 'cofunction' in native type"},
    {0, 1281, "Delegate does not define a name for all arguments"},
    {2, 1500, "Conversion from typeless to type"},
    {1, 1501, "Dangerous cast to typeless, L-Value not typeless"},
    {2, 1502, "Implicit conversion to non-const reference"},
    {3, 1503, "Ignoring unknown compiler option"},
    {3, 1504, "Ignoring invalid option value"},
    {1, 1505, "Dangerous assignment of temporary value to weak reference"},
    {2, 1506, "Function returns weak reference to local variable"},
    {3, 1507, "Member variable hides global variable or function"},
    {3, 1508, "Local variable hides global variable or function"},
    {3, 1509, "Local variable hides member variable or function"},
    {3, 1510, "Code is not reachable, function already returned"},
    {4, 1511, "Conversion from 'float' to 'int', value might get truncated"},
    {4, 1512, "Conversion from 'int' to 'float', value might get truncated"},
    {4, 1513, "Assigning constant to reference, copying r-value"},
    {2, 1514, "Taking reference from weak reference, the reference to the value remains weak"},
    {3, 1515, "Post increment / decrement operator has no effect"},
    {3, 1516, "Assigning 'null' to variable that is not a reference"},
    {3, 1517, "Function declared but not defined, generating default code"},
    {0, ZCL_MSG_Unknown, "UNKNOWN COMPILER ERROR CODE"},
};

constexpr size_t kCount = sizeof kMessages / sizeof kMessages[0] - 1;

}  // namespace

const ZCLMessageEntry* ZCLFindMessage(int code) {
  size_t lo = 0, hi = kCount;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (kMessages[mid].code == code)
      return &kMessages[mid];
    if (kMessages[mid].code < code)
      lo = mid + 1;
    else
      hi = mid;
  }
  return &kMessages[kCount];
}

size_t ZCLMessageCount() { return kCount; }

const ZCLMessageEntry* ZCLMessageAt(size_t index) { return index < kCount ? &kMessages[index] : &kMessages[kCount]; }

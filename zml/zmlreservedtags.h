// The reserved tags of ZML, which build no object of their own:
//   <var name value/> and <const name value/>   define variables and constants;
//   <alias name type property='preset' .../>     gives a type a second tag with preset values;
//   <import file/> and <import path depth/>      parse further files in place;
//   <definegroup name types/>                     registers a group type.
#pragma once

#include "zml/zmltaghandler.h"

namespace ZTools {

class ZMLScriptHost;

// Registers the five reserved tags with the host.
void ZMLRegisterReservedTags(ZMLScriptHost& host);

}  // namespace ZTools

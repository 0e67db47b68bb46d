// The link step: closes the global initialisation function, finishes every compiled function
// of the script classes and lays its code into the runtime's code segment, then prints the
// code-size statistics. Compile and link may repeat; functions linked before keep their place.
#include "src/compiler/zilcompiler.h"

#include "src/compiler/zclstate.h"
#include "zilopcodes.h"

namespace {

ZCLState* stateOf(ZILState* ps) { return ZCLGetState(ps); }

void closeInit(ZCLState* st)
{
    ZCLFunc* init = st->classes[16]->funcs[0].get();
    ZILTypes(st->ps)[16].instanceSize = static_cast<ZILLong>(st->classes[16]->members.size());
    if (!st->initClosed) {
        init->code.push_back(ZOP_RET);
        st->initClosed = true;
    }
    init->optimizeLevel = ZCLOptions(st).optimize;
}


} // namespace

ZILError ZCLLink(ZILState* ps)
{
    ZCLState* st = stateOf(ps);
    if (!st)
        return ZIL_ERR_No_Compiler;
    if (st->classes.size() <= 16 || st->classes[16]->funcs.empty())
        return ZIL_ERR_Initialize_Failed;
    ZCLVerbose(st, "Linking...\n");
    closeInit(st);
    st->savedInstructions = st->sizeBefore = st->sizeAfter = 0;
    ZILError err = ZCL_OK;
    for (auto& cls : st->classes) {
        if (err)
            break;
        if (cls->placeholder || (cls->family != ZIL_FAMILY_CLASS && cls->family != ZIL_FAMILY_THREAD) ||
            (cls->modifiers & kZCLModNative))
            continue;
        ZILTypeInfo* ti = ZILTypes(ps) + cls->typeId;
        if (!cls->linked) {
            cls->linked = true;
            if (cls->isNative) {
                if (ti->family != ZIL_FAMILY_CLASS) {
                    err = ZIL_ERR_Illegal_Argument;
                    break;
                }
                ti->methodCount = static_cast<ZILLong>(cls->funcs.size());
            } else if (cls->family == ZIL_FAMILY_CLASS) {
                ti->instanceSize = static_cast<ZILLong>(cls->members.size());
            }
        }
        if (cls->isNative)
            continue;   // implemented by the type proc; no code
        for (auto& f : cls->funcs) {
            if (f->linkAddress >= 0)
                continue;   // linked by an earlier link
            if (!f->defined) {
                std::string full = cls->typeId == 16 ? f->name : cls->name + "::" + f->name;
                if (f->inherited) {
                    err = ZCLError(st, full.c_str(), ZCL_ERR_Inherited_Method_Not_Implemented);
                    break;
                }
                if (f->flags & kZCLFuncStrict) {
                    err = ZCLError(st, full.c_str(), ZCL_ERR_Function_Not_Defined);
                    break;
                }
                ZCLWarning(st, full.c_str(), ZCL_WARN_Default_Code);
                f->code.assign(1, ZOP_RET);
                f->defined = true;
            }
            if (f->code.empty())
                continue;   // no code generated for it (yet): stays unlinked
            ZILLong address = 0;
            err = ZILAppendCode(ps, f->code.data(), static_cast<ZILLong>(f->code.size()), &address);
            if (err)
                break;
            if (f->handle < 0 || f->handle >= ps->funcs.count) {
                err = ZIL_ERR_Invalid_Function_Index;
                break;
            }
            ZILFuncInfo* fi = ZILFuncs(ps) + f->handle;
            fi->codeAddress = address;
            fi->codeSize = static_cast<ZILLong>(f->code.size());
            f->linkAddress = address;
            st->sizeBefore += static_cast<int>(f->code.size()) * 4;
            st->sizeAfter += static_cast<int>(f->code.size()) * 4;
            if (cls->typeId == 16 && f->index == 0)
                ps->initCodeAddress = address;
        }
        if (!err && cls->family == ZIL_FAMILY_CLASS && cls->typeId != 16) {
            ti->compilerWord1 = cls->methodWords[0];
            ti->copyConstructor = cls->methodWords[1];
            ti->compilerWord2 = cls->methodWords[2];
        }
    }
    ZCLFlushMessages(&st->diag);
    if (st->savedInstructions > 0) {
        ZCLVerbose(st, "Saved %d instructions in total.\n", st->savedInstructions);
        ZCLVerbose(st, "Code size reduced from %d to %d bytes in total.\n", st->sizeBefore, st->sizeAfter);
    } else {
        ZCLVerbose(st, "Created %d bytes of code in total.\n", st->sizeBefore);
    }
    ZCLVerbose(st, "%d Files, %d Errors, %d Warnings, %g seconds.\n", st->filesCompiled, st->diag.errors,
               st->diag.warnings, (ZCLClockMs() - st->startTime) / 1000.0);
    return err;
}


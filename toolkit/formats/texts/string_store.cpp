#include "toolkit/formats/texts/string_store.h"

namespace mwff {
namespace {
FFStringStore g_store;
}  // namespace

FFStringStore& Strings() { return g_store; }

}  // namespace mwff

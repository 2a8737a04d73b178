#include "driver/api/current_session.h"

namespace tarvel {
namespace {

Session g_session;

}  // namespace

Session& CurrentSession() { return g_session; }

}  // namespace tarvel

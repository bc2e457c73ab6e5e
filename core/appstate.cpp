#include "core/appstate.h"

namespace orlenda {

AppState& State() {
    static AppState state;
    return state;
}

}  // namespace orlenda

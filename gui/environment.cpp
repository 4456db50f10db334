#include "gui/environment.h"

namespace sorrel::gui {
namespace {
DrawEnvironment quietEnvironment;
DrawEnvironment *installed = nullptr;
} // namespace

DrawEnvironment &drawEnvironment() {
    return installed ? *installed : quietEnvironment;
}

void setDrawEnvironment(DrawEnvironment *env) {
    installed = env;
}

} // namespace sorrel::gui

#include "tests/vst2/plugin/test_factory.h"

#include <new>
#include <stdexcept>

namespace sorrel {

FactoryMode factoryMode = FactoryMode::Normal;
int factoryCalls = 0;
TestEffect *lastCreated = nullptr;

} // namespace sorrel

AudioEffect *createEffectInstance(audioMasterCallback audioMaster) {
    using sorrel::FactoryMode;
    ++sorrel::factoryCalls;
    switch (sorrel::factoryMode) {
    case FactoryMode::ReturnNull:
        return nullptr;
    case FactoryMode::Throw:
        throw std::runtime_error("factory");
    case FactoryMode::OutOfMemory:
        throw std::bad_alloc();
    case FactoryMode::Normal:
        break;
    }
    sorrel::lastCreated = new sorrel::TestEffect(audioMaster);
    sorrel::lastCreated->setUniqueID(sorrel::kTestEffectId);
    return sorrel::lastCreated;
}

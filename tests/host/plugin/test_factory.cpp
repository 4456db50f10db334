#include "tests/host/plugin/test_factory.h"

#include <new>
#include <stdexcept>

FactoryMode factoryMode = FactoryMode::Normal;
int factoryCalls = 0;
TestEffect *lastCreated = nullptr;

AudioEffect *createEffectInstance(audioMasterCallback audioMaster) {
    ++factoryCalls;
    switch (factoryMode) {
    case FactoryMode::ReturnNull:
        return nullptr;
    case FactoryMode::Throw:
        throw std::runtime_error("factory");
    case FactoryMode::OutOfMemory:
        throw std::bad_alloc();
    case FactoryMode::Normal:
        break;
    }
    lastCreated = new TestEffect(audioMaster);
    lastCreated->setUniqueID(kTestEffectId);
    return lastCreated;
}

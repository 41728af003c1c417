#include <app/CSingleInstance.h>

#include <utility>

namespace app {

CSingleInstance::CSingleInstance()
    : CSingleInstance(SINGLE_INSTANCE_NAME)
{
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

} // namespace app

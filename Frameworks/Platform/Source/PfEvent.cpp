#include "PfEvent.h"

#include <algorithm>
#include <cstring>

namespace pf
{

Event::Event(FourCharCode inClass, std::uint32_t inKind, double inTime) : mClass(inClass), mKind(inKind), mTime(inTime)
{
}

const Event::Param* Event::Find(FourCharCode inName) const
{
    for (const Param& param : mParams)
    {
        if (param.name == inName)
        {
            return &param;
        }
    }
    return nullptr;
}

OSStatus Event::SetParam(FourCharCode inName, FourCharCode inType, const void* inData, std::size_t inSize)
{
    if (inData == nullptr && inSize != 0)
    {
        return kParamErr;
    }
    const auto* bytes = static_cast<const unsigned char*>(inData);
    std::vector<unsigned char> copy(bytes, bytes + inSize);
    std::lock_guard lock(mMutex);
    for (Param& param : mParams)
    {
        if (param.name == inName)
        {
            param.type = inType;
            param.bytes = std::move(copy);
            return kNoErr;
        }
    }
    mParams.push_back(Param{inName, inType, std::move(copy)});
    return kNoErr;
}

OSStatus Event::GetParam(FourCharCode inName, FourCharCode inType, void* outData, std::size_t inSize,
                         std::size_t* outActualSize) const
{
    if (outData == nullptr && inSize != 0)
    {
        return kParamErr;
    }
    std::lock_guard lock(mMutex);
    const Param* param = Find(inName);
    if (param == nullptr || param->type != inType)
    {
        return kEventParameterNotFound;
    }
    const std::size_t count = std::min(inSize, param->bytes.size());
    if (count != 0)
    {
        std::memcpy(outData, param->bytes.data(), count);
    }
    if (outActualSize != nullptr)
    {
        *outActualSize = param->bytes.size();
    }
    return kNoErr;
}

OSStatus Event::GetExact(FourCharCode inName, FourCharCode inType, void* outData, std::size_t inSize) const
{
    std::lock_guard lock(mMutex);
    const Param* param = Find(inName);
    if (param == nullptr || param->type != inType || param->bytes.size() != inSize)
    {
        return kEventParameterNotFound;
    }
    std::memcpy(outData, param->bytes.data(), inSize);
    return kNoErr;
}

bool Event::HasParam(FourCharCode inName) const
{
    std::lock_guard lock(mMutex);
    return Find(inName) != nullptr;
}

EventRef MakeEvent(FourCharCode inClass, std::uint32_t inKind, double inTime)
{
    return std::make_shared<Event>(inClass, inKind, inTime);
}

} // namespace pf

// An event: class, kind, time and named, typed parameters. Shared between threads by reference count; the
// parameters carry their own lock, so a poster and the loop may touch one event at once.
#pragma once

#include "PfTypes.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace pf
{

class Event
{
public:
    Event(FourCharCode inClass, std::uint32_t inKind, double inTime = 0.0);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    FourCharCode Class() const { return mClass; }
    std::uint32_t Kind() const { return mKind; }
    double Time() const { return mTime; }

    // Replaces a parameter of that name, whatever its former type.
    OSStatus SetParam(FourCharCode inName, FourCharCode inType, const void* inData, std::size_t inSize);

    // Copies at most inSize bytes. A missing name or a stored value of another type answers
    // kEventParameterNotFound; there is no coercion between types.
    OSStatus GetParam(FourCharCode inName, FourCharCode inType, void* outData, std::size_t inSize,
                      std::size_t* outActualSize = nullptr) const;

    bool HasParam(FourCharCode inName) const;

    template <class T> OSStatus SetParam(FourCharCode inName, FourCharCode inType, const T& inValue)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return SetParam(inName, inType, &inValue, sizeof(T));
    }

    // A stored value of another size counts as another type.
    template <class T> OSStatus GetParam(FourCharCode inName, FourCharCode inType, T& outValue) const
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return GetExact(inName, inType, &outValue, sizeof(T));
    }

private:
    struct Param
    {
        FourCharCode name;
        FourCharCode type;
        std::vector<unsigned char> bytes;
    };

    OSStatus GetExact(FourCharCode inName, FourCharCode inType, void* outData, std::size_t inSize) const;
    const Param* Find(FourCharCode inName) const;

    const FourCharCode mClass;
    const std::uint32_t mKind;
    const double mTime;
    mutable std::mutex mMutex;
    std::vector<Param> mParams;
};

using EventRef = std::shared_ptr<Event>;

EventRef MakeEvent(FourCharCode inClass, std::uint32_t inKind, double inTime = 0.0);

} // namespace pf

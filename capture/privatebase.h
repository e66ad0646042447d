#pragma once

/// Base of a class's private part: holds the pointer back to the public
/// object that owns the part, and gives the part a virtual destructor. The
/// public object holds the part in a std::unique_ptr and points it back at
/// itself.
template<typename Public>
class PrivateBase
{
public:
    PrivateBase() = default;
    PrivateBase(const PrivateBase &) = delete;
    PrivateBase &operator=(const PrivateBase &) = delete;
    virtual ~PrivateBase() = default;

    void setPublic(Public *object) { publicObject = object; }
    Public *owner() const { return publicObject; }

protected:
    Public *publicObject = nullptr;
};

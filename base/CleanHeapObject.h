#pragma once
#include <cstddef>
#include <cstring>
#include <new>

// Objects that start zero-filled, whatever their constructors leave unset.
template <class Base>
class CleanHeapObject : public Base {
 public:
  static void* operator new(std::size_t size) {
    void* p = ::operator new(size);
    std::memset(p, 0, size);
    return p;
  }
  static void operator delete(void* p) { ::operator delete(p); }
};

struct NilStruct {};

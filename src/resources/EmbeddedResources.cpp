// The resources of the library where no Windows loader maps them: the .res image that
// the resource compiler made from ExchRuleExt.rc, embedded byte for byte and registered
// with the platform layer when the module loads. Built everywhere but Windows, where the
// linker puts the same .res into the DLL (cmake/ProductResources.cmake).
#include <cstddef>
#include <cstdint>

#include "win32/Resources.h"

#if !defined(PELLACORM_RESOURCE_IMAGE) || !defined(PELLACORM_RESOURCE_ANCHOR)
#error "The build names the .res file (a string literal) and the anchor symbol."
#endif

// The .res bytes, DWORD-aligned as the records expect. The symbols are hidden: the
// library exports none of them, and a program that links the static core library keeps
// its own.
__asm__(
    ".pushsection .rodata.pellacorm_resource_image,\"a\"\n"
    ".balign 4\n"
    ".globl pellacorm_resource_image\n"
    ".hidden pellacorm_resource_image\n"
    "pellacorm_resource_image:\n"
    ".incbin \"" PELLACORM_RESOURCE_IMAGE
    "\"\n"
    ".globl pellacorm_resource_image_end\n"
    ".hidden pellacorm_resource_image_end\n"
    "pellacorm_resource_image_end:\n"
    ".popsection\n");

extern "C" {
__attribute__((visibility("hidden"))) extern const BYTE pellacorm_resource_image[];
__attribute__((visibility("hidden"))) extern const BYTE pellacorm_resource_image_end[];
}

namespace {

std::size_t ImageSize() {
  return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(pellacorm_resource_image_end) -
                                  reinterpret_cast<std::uintptr_t>(pellacorm_resource_image));
}

struct Registration {
  Registration() {
    win32::RegisterModuleResourceImage(pellacorm_resource_image, pellacorm_resource_image, ImageSize());
  }
  ~Registration() { win32::UnregisterModuleResources(pellacorm_resource_image); }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
};

// Registered before the module's other static objects are built, so that start-up code
// can load strings, and unregistered after they are gone.
__attribute__((init_priority(101))) const Registration g_registration;

}  // namespace

// Nothing calls into this file; a link from a static archive names this symbol to keep
// the registration in the program.
extern "C" void PELLACORM_RESOURCE_ANCHOR() {}

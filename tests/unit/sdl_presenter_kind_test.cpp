// What chooses the SDL presenter: the variable that forces one, and the
// OpenGL renderer names that mean the CPU would draw every frame.
#include <gtest/gtest.h>

#include "platform/sdl/presenter_kind.h"

using sdlmap::PresenterKind;

TEST(SdlPresenterKind, TheVariableForcesOneOrLeavesTheChoice) {
    const struct {
        const char* value;
        PresenterKind kind;
        bool known;
    } cases[] = {
        {nullptr, PresenterKind::Automatic, true}, {"", PresenterKind::Automatic, true},
        {"auto", PresenterKind::Automatic, true},  {"texture", PresenterKind::Texture, true},
        {"Surface", PresenterKind::Surface, true}, {"SURFACE", PresenterKind::Surface, true},
        {"surfaces", PresenterKind::Automatic, false}, {"gpu", PresenterKind::Automatic, false},
    };
    for (const auto& c : cases) {
        bool known = !c.known;
        EXPECT_EQ(sdlmap::PresenterFromName(c.value, &known), c.kind) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(known, c.known) << (c.value ? c.value : "(unset)");
    }
}

TEST(SdlPresenterKind, SoftwareRasterisersAreToldFromGpus) {
    const struct {
        const char* renderer;
        bool software;
    } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"softpipe", true},
        {"Software Rasterizer", true},
        {"Mesa X11 swrast", true},
        // GPU drivers built with LLVM name it too, without being software.
        {"AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2", false},
        {nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sdlmap::SoftwareRasteriser(c.renderer), c.software) << (c.renderer ? c.renderer : "(none)");
}

/// \file
/// Export macros shared by every public header of the library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(VEDIDOREDO_CORE_BUILD)
#define VX_CORE_EXPORT Q_DECL_EXPORT
#else
/// Marks what VeDidoredo::Core exports (imported by its users).
#define VX_CORE_EXPORT Q_DECL_IMPORT
#endif

#if defined(VEDIDOREDO_WIDGETS_BUILD)
#define VX_WIDGETS_EXPORT Q_DECL_EXPORT
#else
/// Marks what VeDidoredo::Widgets exports (imported by its users).
#define VX_WIDGETS_EXPORT Q_DECL_IMPORT
#endif

// Internals that only the library's own unit tests call. They are exported only from a
// build that makes the tests (VX_TEST_EXPORTS, on with VX_BUILD_TESTS) and are never
// part of the interface; a build without tests keeps them hidden.
#if defined(VEDIDOREDO_TEST_EXPORTS)
#define VX_TEST_EXPORT Q_DECL_EXPORT
#else
/// Marks internals exported for the library's own tests only; no part of the interface.
#define VX_TEST_EXPORT
#endif

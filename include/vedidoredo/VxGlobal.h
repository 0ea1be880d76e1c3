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

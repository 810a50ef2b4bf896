// Placeholder so the library has a translation unit until its parts land.
namespace quorvel { int tracingLibraryAnchor = 0; }

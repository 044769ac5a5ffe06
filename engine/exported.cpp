// The shared library's only exported symbol is IPYLORA8, defined with the
// entry point; this unit gives the library target a source of its own.

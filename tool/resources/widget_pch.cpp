// Compiles the widget headers every widget library and program shares.

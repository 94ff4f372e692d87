int not_a_plugin_at_all (void) { return 0; }

package Vuro_plugin;
sub run_preference { }
1;

package Vuro_plugin;
sub run_process { my ($request) = @_; return ('candidate' => [ ; }
1;

# Test plug-in that sets an output record separator when it is loaded.
package Vuro_plugin;
$\ = "\n";

sub run_process {
    print 'mine';
    return ('candidate' => [{'hyoki' => 'x'}]);
}

1;

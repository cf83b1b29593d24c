# Test plug-in: answers with candidates that carry the request's fields back (see echo.rb
# and echo.py, which answer alike).
package Vuro_plugin;
use strict;
use utf8;
use Encode;

sub print_request {
    my ($request) = @_;
    print $_ . '=' . Encode::encode_utf8($request->{$_}) . "\n" for sort keys %$request;
}

# 100 candidates with every field, for the benchmark.
sub hundred {
    return [map { +{'hyoki' => "候補$_", 'comment_xhtml' => "説明 <b>$_</b> & more",
                   'alternative_type' => 'definite_string', 'alternative' => "確定$_",
                   'alternative_alias' => "別名$_", 'info' => 'info'} } (0 .. 99)];
}

sub run_process {
    my ($request) = @_;
    return ('candidate' => hundred()) if $request->{'composition_string'} eq 'hundred';
    sleep 120 if $request->{'composition_string'} eq 'sleep';
    print 'noise before the document' if $request->{'composition_string'} eq 'noise';
    my $path = $request->{'path'};
    return ('candidate' => [
        {'hyoki' => $request->{'composition_string'}, 'comment_xhtml' => $request->{'reading_string'},
         'alternative_type' => 'definite_string', 'alternative' => $request->{'composition_string'},
         'alternative_alias' => $request->{'proxy_username'}, 'info' => '' . $request->{'proxy_port'}},
        {'hyoki' => 'address', 'comment_xhtml' => $request->{'proxy_name'},
         'alternative_type' => 'url_jump_string', 'alternative' => 'ftp://example.com/'},
        {'hyoki' => 'password', 'comment_xhtml' => $request->{'proxy_password'},
         'alternative_type' => 'url_jump_string', 'alternative' => 'https://example.com/',
         'alternative_alias' => 'web'},
        defined $path ? {'hyoki' => 'path', 'comment_xhtml' => $path} : {'hyoki' => 'no path'},
    ]);
}

sub run_callback {
    print_request($_[0]);
}

sub run_preference {
    print_request($_[0]);
}

1;

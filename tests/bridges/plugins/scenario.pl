# Test plug-in: the composition string picks what it answers (see scenario.rb and
# scenario.py, which answer alike).
package Vuro_plugin;
use strict;
use utf8;
use Encode;
use B;

sub describe {
    my ($value) = @_;
    my $flags = B::svref_2object(\$value)->FLAGS;
    return 'int:' . $value if ($flags & B::SVf_IOK) && !($flags & B::SVf_POK);
    return 'text:' . length($value) . ':' . Encode::encode_utf8($value);
}

sub print_request {
    my ($request) = @_;
    print $_ . '=' . describe($request->{$_}) . "\n" for sort keys %$request;
}

sub walk {
    my @list;
    for my $index (0 .. 149) {
        my $kind = $index % 10;
        if ($kind == 3) { push @list, 'not a candidate'; }
        elsif ($kind == 7) { push @list, {'hyoki' => ''}; }
        elsif ($kind == 8) { push @list, {'comment' => 'no title'}; }
        else { push @list, {'hyoki' => "c$index"}; }
    }
    return \@list;
}

sub cut {
    return [
        {'hyoki' => '&' x 100},
        {'hyoki' => 'あ' x 120, 'info' => 'i' x 65, 'alternative_alias' => 'a' x 101},
        {'hyoki' => '<' x 101, 'comment_xhtml' => 'x' x 10241},
    ];
}

sub controls {
    return [
        {'hyoki' => "a\tb\nc\rd\x01e\x7Ff\x00g", 'comment_xhtml' => "a\tb\nc\rd\x01e\x7Ff",
         'info' => "i\tj", 'alternative_type' => 'definite_string', 'alternative' => "x\ty\nz"},
        {'hyoki' => 'alias', 'alternative_type' => 'definite_string',
         'alternative' => "x\ty\r\nz\x02", 'alternative_alias' => "al\nias"},
    ];
}

sub alternatives {
    return [
        {'hyoki' => 'd600', 'alternative_type' => 'definite_string', 'alternative' => 'd' x 600},
        {'hyoki' => 'u600', 'alternative_type' => 'url_jump_string', 'alternative' => 'u' x 600},
        {'hyoki' => 'u512', 'alternative_type' => 'url_jump_string',
         'alternative' => 'http://example.com/' . 'u' x 493},
        {'hyoki' => 'research', 'alternative_type' => 'research_function', 'alternative' => 'r',
         'alternative_alias' => 'alias', 'info' => 'info'},
        {'hyoki' => 'untyped', 'alternative' => 'x'},
        {'hyoki' => 'capital', 'alternative_type' => 'DEFINITE_STRING', 'alternative' => 'x'},
        {'hyoki' => 'amp', 'alternative_type' => 'definite_string', 'alternative' => 'a&b'},
        {'hyoki' => 'wide513', 'alternative_type' => 'url_jump_string', 'alternative' => 'あ' x 513},
        {'hyoki' => 'wide512', 'alternative_type' => 'url_jump_string', 'alternative' => 'あ' x 512},
    ];
}

sub comments {
    return [
        {'hyoki' => 'both', 'comment' => 'plain', 'comment_xhtml' => '<p>x</p>'},
        {'hyoki' => 'T&<>', 'comment' => "line1\\nline2\nline3\t& <b>'\""},
        {'hyoki' => 'long', 'comment' => 'c' x 1100},
        {'hyoki' => 'none'},
    ];
}

sub run_process {
    my ($request) = @_;
    my $scenario = $request->{'composition_string'};
    return ('candidate' => walk()) if $scenario eq 'walk';
    return ('candidate' => cut()) if $scenario eq 'cut';
    return ('candidate' => controls()) if $scenario eq 'controls';
    return ('candidate' => alternatives()) if $scenario eq 'alternatives';
    return ('candidate' => comments()) if $scenario eq 'comments';
    return ('candidate' => {'hyoki' => 'x'}) if $scenario eq 'candidate_not_list';
    return ('result' => []) if $scenario eq 'no_candidate';
    return [{'hyoki' => 'x'}] if $scenario eq 'not_dictionary';
    # UTF-8 bytes rather than characters: read as UTF-8.
    return ('candidate' => [{'hyoki' => Encode::encode_utf8('きょう')}]) if $scenario eq 'bytes';
    if ($scenario eq 'redirect') {
        open(my $elsewhere, '>', \my $buffer);
        select($elsewhere);
        print 'not on standard output';
        return ('candidate' => [{'hyoki' => 'x'}]);
    }
    if ($scenario eq 'raise') {
        print 'before';
        die "boom from plug-in\n";
    }
    die 'bad ' . chr(0xD800) . "\n" if $scenario eq 'raise_unencodable';
    if ($scenario eq 'layer') {
        binmode STDOUT, ':encoding(UTF-8)';
        print "layer\n";
        return ('candidate' => [{'hyoki' => 'きょう'}]);
    }
    if ($scenario eq 'own_stdout') {
        # A buffered handle of its own on the same descriptor, selected for good.
        open(our $own, '>&', \*STDOUT) or die;
        select($own);
        print "mine\n";
        return ('candidate' => [{'hyoki' => 'x'}]);
    }
    return ('candidate' => [{'hyoki' => "a\x{FFFE}b\x{FFFF}c", 'comment_xhtml' => "d\x{FFFE}\te"}])
        if $scenario eq 'xml_forbidden';
    return ('candidate' => [{'hyoki' => 'a' . chr(0xD800) . 'b' . chr(0x110000) . 'c'}])
        if $scenario eq 'not_characters';
    return ('candidate' => [{'hyoki' => ['not', 'text']}, {'hyoki' => 'ok', 'comment' => {}}])
        if $scenario eq 'unconvertible';
    print_request($request);
    return ('candidate' => [{'hyoki' => $request->{'composition_string'}}]);
}

sub run_preference {
    print_request($_[0]);
}

sub run_callback {
    print_request($_[0]);
}

1;

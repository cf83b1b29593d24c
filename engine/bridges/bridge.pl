use strict vars;
use Encode;
use utf8;

# Bridge between plugdebug and a Perl plug-in.
#   perl <bridge> <plug-in file> <method> [arguments...]
# Every argument but the method is form-encoded ("+" is a blank, "%XX" one byte).
# The plug-in defines run_process, run_preference and run_callback in the package
# Vuro_plugin; run_process returns its result hash as a list, and the bridge prints the
# candidates as XML. Everything this bridge prints is written without a line end.

package Vuro_plugin_bridge;

BEGIN { binmode STDOUT; }

our ($plugin_file, $method, $entry_point);

sub form_decode {
    my ($text) = @_;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

# The bridge's own bytes, on STDOUT by name and after whatever the plug-in printed,
# whatever it did: another handle selected (flushed here by setting $|), a layer pushed
# on STDOUT (popped by binmode), separators set.
sub emit {
    my ($bytes) = @_;
    my $autoflush = $|;
    $| = 1;
    $| = $autoflush;
    binmode STDOUT;
    local ($\, $,);
    print STDOUT $bytes;
}

sub finish {
    my ($text) = @_;
    emit($text);
    exit 0;
}

# The plug-in is loaded before the rest of the bridge is compiled.
BEGIN {
    finish('error : argument error.') if @ARGV < 2;
    $plugin_file = form_decode($ARGV[0]);
    $method = Encode::decode_utf8(form_decode($ARGV[1]));
    unless (grep { $_ eq $method } qw(run_process syntax_check run_preference run_callback)) {
        finish('error : plugin method load error.');
    }
    if ($method ne 'syntax_check') {
        # require on the value itself, so that no character of the path can alter the code.
        unless (eval { require $plugin_file; 1 }) {
            print STDERR $@;
            finish('error : plugin module load error.');
        }
        $entry_point = UNIVERSAL::can('Vuro_plugin', $method);
        finish('error : plugin method [' . $method . '] not found.')
            unless $entry_point;
    }
}

sub text_argument {
    my ($index) = @_;
    return Encode::decode_utf8(form_decode($ARGV[$index]));
}

sub port_argument {
    my ($index) = @_;
    return int(form_decode($ARGV[$index]));
}

sub is_text {
    my ($value) = @_;
    return defined($value) && !ref($value);
}

# Character string of a plug-in value: byte strings are read as UTF-8.
sub as_characters {
    my ($value) = @_;
    return utf8::is_utf8($value) ? $value : Encode::decode_utf8($value);
}

# Cut to `size` characters (-1: no limit), escape for XML, and replace the characters
# XML forbids: control characters, U+FFFE and U+FFFF by blanks (all control characters
# when `all_controls` is true, otherwise all but TAB, LF and CR), code points that are
# no characters (lone surrogates, beyond U+10FFFF) by U+FFFD.
sub convert_string {
    my ($value, $all_controls, $size) = @_;
    return '' unless is_text($value);
    my $text = as_characters($value);
    $text = substr($text, 0, $size) if $size != -1 && length($text) > $size;
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/'/&apos;/g;
    $text =~ s/"/&quot;/g;
    if ($all_controls) {
        $text =~ s/[\x00-\x1F\x7F\x{FFFE}\x{FFFF}]/ /g;
    } else {
        $text =~ s/[\x00-\x08\x0B\x0C\x0E-\x1F\x7F\x{FFFE}\x{FFFF}]/ /g;
    }
    $text =~ s/[\x{D800}-\x{DFFF}]|[^\x{0}-\x{10FFFF}]/\x{FFFD}/g;
    return $text;
}

# The plain comment as an XHTML document, escaped once more so that it stands as text
# inside the comment element.
sub wrap_comment {
    my ($hyoki, $comment) = @_;
    $comment =~ s/\\n/<br \/>/g;
    my @pieces = (
        '<?xml version="1.0" encoding="UTF-8" ?>',
        '<html xmlns="http://www.w3.org/1999/xhtml">',
        '<head>',
        '<meta http-equiv="Content-Type" content="text/html; charset=UTF-8" />',
        '</head>',
        '<body>',
        '<h2>', $hyoki, '</h2>',
        $comment,
        '</body></html>',
    );
    return join('', map { convert_string($_, 1, -1) } @pieces);
}

sub create_item {
    my ($candidate) = @_;
    my $hyoki = convert_string($candidate->{'hyoki'}, 1, 100);
    my $comment = convert_string($candidate->{'comment'}, 0, 1024);
    my $comment_xhtml = convert_string($candidate->{'comment_xhtml'}, 0, 1024 * 10);
    my $alternative_type = convert_string($candidate->{'alternative_type'}, 1, -1);
    my $alternative_alias = convert_string($candidate->{'alternative_alias'}, 1, 100);
    my $info = convert_string($candidate->{'info'}, 1, 64);
    my $alternative = convert_string($candidate->{'alternative'}, $alternative_alias eq '', 512);

    # A cut URL would lead elsewhere: leave it out.
    my $raw_alternative = $candidate->{'alternative'};
    if ($alternative_type eq 'url_jump_string' && is_text($raw_alternative)
        && length(as_characters($raw_alternative)) > 512) {
        $alternative = '';
    }
    return '' if $hyoki eq '';

    my $item = "\t<item type=\"script_candidate\">\n";
    $item .= "\t\t<title>" . $hyoki . "</title>\n";
    if ($comment_xhtml ne '') {
        $item .= "\t\t<comment>" . $comment_xhtml . "</comment>\n";
    } elsif ($comment ne '') {
        $item .= "\t\t<comment>" . wrap_comment($hyoki, $comment) . "</comment>\n";
    }
    if ($alternative ne ''
        && ($alternative_type eq 'definite_string' || $alternative_type eq 'url_jump_string')) {
        $item .= "\t\t<alternative type=\"" . $alternative_type . "\">" . $alternative
            . "</alternative>\n";
    }
    $item .= "\t\t<alternative_alias>" . $alternative_alias . "</alternative_alias>\n"
        if $alternative_alias ne '';
    $item .= "\t\t<info>" . $info . "</info>\n" if $info ne '';
    $item .= "\t</item>\n";
    return $item;
}

sub create_xml {
    my ($result) = @_;
    my $xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";
    my $candidates = ref($result) eq 'HASH' ? $result->{'candidate'} : undef;
    if (ref($candidates) eq 'ARRAY') {
        my $count = @$candidates;
        $count = 100 if $count > 100;
        for my $index (0 .. $count - 1) {
            my $candidate = $candidates->[$index];
            $xml .= create_item($candidate) if ref($candidate) eq 'HASH';
        }
    }
    return $xml . "</itemlist>\n";
}

sub optional_path {
    my ($request_data) = @_;
    $request_data->{'path'} = text_argument(8) if @ARGV == 9;
}

if ($method eq 'syntax_check') {
    finish('syntax ok');
} elsif ($method eq 'run_process') {
    finish('error : run_process() argument error.') unless @ARGV == 8 || @ARGV == 9;
    my %request_data = (
        'composition_string' => text_argument(2),
        'reading_string' => text_argument(3),
        'proxy_name' => text_argument(4),
        'proxy_port' => port_argument(5),
        'proxy_username' => text_argument(6),
        'proxy_password' => text_argument(7),
    );
    optional_path(\%request_data);
    my %result = $entry_point->(\%request_data);
    emit(Encode::encode_utf8(create_xml(\%result)));
} elsif ($method eq 'run_preference') {
    finish('error : run_preference() argument error.') unless @ARGV == 3;
    my %request_data = ('path' => text_argument(2));
    $entry_point->(\%request_data);
} elsif ($method eq 'run_callback') {
    finish('error : run_callback() argument error.') unless @ARGV == 8 || @ARGV == 9;
    my %request_data = (
        'candidate_string' => text_argument(2),
        'composition_string' => text_argument(3),
        'proxy_name' => text_argument(4),
        'proxy_port' => port_argument(5),
        'proxy_username' => text_argument(6),
        'proxy_password' => text_argument(7),
    );
    optional_path(\%request_data);
    $entry_point->(\%request_data);
}
exit 0;

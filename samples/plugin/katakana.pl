# Sample Perl plug-in: offers the text in katakana and in hiragana.
package Vuro_plugin;
use strict;
use utf8;

sub run_process {
    my ($request) = @_;
    my $text = $request->{'composition_string'};
    return ('candidate' => []) if $text eq '';

    (my $katakana = $text) =~ tr/ぁ-ゖ/ァ-ヶ/;
    (my $hiragana = $text) =~ tr/ァ-ヶ/ぁ-ゖ/;
    my @candidates = (
        {'hyoki' => $katakana, 'comment' => "「$text」のカタカナ表記", 'info' => 'カタカナ'},
        {'hyoki' => $hiragana, 'comment' => "「$text」のひらがな表記", 'info' => 'ひらがな'},
    );
    return ('candidate' => \@candidates);
}

sub run_preference {
}

sub run_callback {
}

1;

# Test plug-in: the composition string picks what it answers (see scenario.pl and
# scenario.py, which answer alike).
require 'stringio'

module Vuro_plugin
  def describe(value)
    return "int:#{value}" if value.is_a?(Integer)
    "text:#{value.length}:#{value}"
  end

  def print_request(request)
    request.keys.sort.each { |key| print "#{key}=#{describe(request[key])}\n" }
  end

  def walk
    (0...150).map do |index|
      case index % 10
      when 3 then 'not a candidate'
      when 7 then { 'hyoki' => '' }
      when 8 then { 'comment' => 'no title' }
      else { 'hyoki' => "c#{index}" }
      end
    end
  end

  def cut
    [
      { 'hyoki' => '&' * 100 },
      { 'hyoki' => 'あ' * 120, 'info' => 'i' * 65, 'alternative_alias' => 'a' * 101 },
      { 'hyoki' => '<' * 101, 'comment_xhtml' => 'x' * 10241 },
    ]
  end

  def controls
    [
      { 'hyoki' => "a\tb\nc\rd\x01e\x7Ff\x00g", 'comment_xhtml' => "a\tb\nc\rd\x01e\x7Ff",
        'info' => "i\tj", 'alternative_type' => 'definite_string', 'alternative' => "x\ty\nz" },
      { 'hyoki' => 'alias', 'alternative_type' => 'definite_string',
        'alternative' => "x\ty\r\nz\x02", 'alternative_alias' => "al\nias" },
    ]
  end

  def alternatives
    [
      { 'hyoki' => 'd600', 'alternative_type' => 'definite_string', 'alternative' => 'd' * 600 },
      { 'hyoki' => 'u600', 'alternative_type' => 'url_jump_string', 'alternative' => 'u' * 600 },
      { 'hyoki' => 'u512', 'alternative_type' => 'url_jump_string',
        'alternative' => 'http://example.com/' + 'u' * 493 },
      { 'hyoki' => 'research', 'alternative_type' => 'research_function', 'alternative' => 'r',
        'alternative_alias' => 'alias', 'info' => 'info' },
      { 'hyoki' => 'untyped', 'alternative' => 'x' },
      { 'hyoki' => 'capital', 'alternative_type' => 'DEFINITE_STRING', 'alternative' => 'x' },
      { 'hyoki' => 'amp', 'alternative_type' => 'definite_string', 'alternative' => 'a&b' },
      { 'hyoki' => 'wide513', 'alternative_type' => 'url_jump_string', 'alternative' => 'あ' * 513 },
      { 'hyoki' => 'wide512', 'alternative_type' => 'url_jump_string', 'alternative' => 'あ' * 512 },
    ]
  end

  def comments
    [
      { 'hyoki' => 'both', 'comment' => 'plain', 'comment_xhtml' => '<p>x</p>' },
      { 'hyoki' => 'T&<>', 'comment' => "line1\\nline2\nline3\t& <b>'\"" },
      { 'hyoki' => 'long', 'comment' => 'c' * 1100 },
      { 'hyoki' => 'none' },
    ]
  end

  def run_process(request)
    case request['composition_string']
    when 'walk' then { 'candidate' => walk }
    when 'cut' then { 'candidate' => cut }
    when 'controls' then { 'candidate' => controls }
    when 'alternatives' then { 'candidate' => alternatives }
    when 'comments' then { 'candidate' => comments }
    when 'candidate_not_list' then { 'candidate' => { 'hyoki' => 'x' } }
    when 'no_candidate' then { 'result' => [] }
    when 'not_dictionary' then [{ 'hyoki' => 'x' }]
    # Binary rather than UTF-8 strings: read as UTF-8.
    when 'bytes' then { 'candidate' => [{ 'hyoki' => 'きょう'.b }] }
    when 'redirect'
      $stdout = StringIO.new
      print 'not on standard output'
      { 'candidate' => [{ 'hyoki' => 'x' }] }
    when 'raise'
      print 'before'
      raise 'boom from plug-in'
    when 'raise_unencodable' then raise "bad \xED\xA0\x80"
    when 'layer'
      STDOUT.set_encoding(Encoding::Windows_31J)
      print "layer\n"
      { 'candidate' => [{ 'hyoki' => 'きょう' }] }
    when 'own_stdout'
      # A buffered stream of its own on a copy of the descriptor.
      $stdout = STDOUT.dup
      print "mine\n"
      { 'candidate' => [{ 'hyoki' => 'x' }] }
    when 'xml_forbidden'
      { 'candidate' => [{ 'hyoki' => "a\uFFFEb\uFFFFc", 'comment_xhtml' => "d\uFFFE\te" }] }
    when 'not_characters'
      # Lone surrogates: Ruby holds them only in a UTF-16 string.
      utf16 = ->(bytes) { bytes.dup.force_encoding(Encoding::UTF_16LE) }
      { 'candidate' => [{ 'hyoki' => utf16.("a\0\0\xD8b\0\xFF\xDFc\0") }] }
    when 'unconvertible'
      utf7 = ->(text) { text.dup.force_encoding(Encoding::UTF_7) }
      { 'candidate' => [{ 'hyoki' => utf7.('abc') }, { 'hyoki' => 'ok', 'comment' => utf7.('x') }] }
    else
      print_request(request)
      { 'candidate' => [{ 'hyoki' => request['composition_string'] }] }
    end
  end

  def run_preference(request)
    print_request(request)
  end

  def run_callback(request)
    print_request(request)
  end
end

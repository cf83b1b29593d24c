#! /usr/bin/ruby -Ku
# Bridge between plugdebug and a Ruby plug-in.
#   ruby <bridge> <plug-in file> <method> [arguments...]
# Every argument but the method is form-encoded ("+" is a blank, "%XX" one byte).
# The plug-in defines run_process, run_preference and run_callback in the module
# Vuro_plugin; run_process returns a Hash, and the bridge prints its candidates as XML.
# Everything this bridge prints is written without a line end.

STDOUT.binmode

module Vuro_plugin_bridge
  METHODS = ['run_process', 'syntax_check', 'run_preference', 'run_callback'].freeze
  UTF8_COMPATIBLE = [Encoding::UTF_8, Encoding::ASCII_8BIT, Encoding::US_ASCII].freeze

  module_function

  # The bytes exactly as they were encoded.
  def form_decode_bytes(text)
    text.b.tr('+', ' ').gsub(/%([0-9A-Fa-f]{2})/n) { $1.hex.chr }
  end

  # Bytes that are not UTF-8 become U+FFFD.
  def form_decode(text)
    form_decode_bytes(text).force_encoding(Encoding::UTF_8).scrub("\uFFFD")
  end

  # The bridge's own bytes, on STDOUT by name and after whatever the plug-in printed,
  # whatever it did: $stdout replaced by a buffered stream of its own (flushed here), an
  # encoding set on STDOUT (undone by binmode), a record separator set (write ignores it).
  def emit(text)
    begin
      $stdout.flush if !$stdout.equal?(STDOUT) && $stdout.respond_to?(:flush)
    rescue StandardError
      nil
    end
    STDOUT.binmode
    STDOUT.write(text)
  end

  def finish(text)
    emit(text)
    exit 0
  end

  # Plug-ins are normally ".rb" files; any other name (such as "A.RB") is loaded as well.
  def load_plugin(path)
    path.end_with?('.rb') ? require(path) : load(path)
  end

  def text_argument(index)
    form_decode(ARGV[index])
  end

  def port_argument(index)
    form_decode(ARGV[index]).to_i
  end

  # The value as UTF-8 text (bytes that are not UTF-8 become U+FFFD), or nil when it is
  # not a String or is in an encoding Ruby cannot convert (UTF-7, say).
  def text_of(value)
    return nil unless value.is_a?(String)
    if UTF8_COMPATIBLE.include?(value.encoding)
      value.dup.force_encoding(Encoding::UTF_8).scrub("\uFFFD")
    else
      value.encode(Encoding::UTF_8, invalid: :replace, undef: :replace, replace: "\uFFFD")
    end
  rescue EncodingError
    nil
  end

  # Cut to `size` characters (-1: no limit), escape for XML, and replace the characters
  # XML forbids by blanks: control characters (all of them when `all_controls` is true,
  # otherwise all but TAB, LF and CR), U+FFFE and U+FFFF.
  def convert_string(value, all_controls, size)
    text = text_of(value)
    return '' if text.nil?
    text = text[0, size] if size != -1 && text.length > size
    text = text.gsub('&', '&amp;').gsub('<', '&lt;').gsub('>', '&gt;')
    text = text.gsub("'", '&apos;').gsub('"', '&quot;')
    if all_controls
      text.gsub(/[\x00-\x1F\x7F\uFFFE\uFFFF]/, ' ')
    else
      text.gsub(/[\x00-\x08\x0B\x0C\x0E-\x1F\x7F\uFFFE\uFFFF]/, ' ')
    end
  end

  # The plain comment as an XHTML document, escaped once more so that it stands as text
  # inside the comment element.
  def wrap_comment(hyoki, comment)
    pieces = [
      '<?xml version="1.0" encoding="UTF-8" ?>',
      '<html xmlns="http://www.w3.org/1999/xhtml">',
      '<head>',
      '<meta http-equiv="Content-Type" content="text/html; charset=UTF-8" />',
      '</head>',
      '<body>',
      '<h2>', hyoki, '</h2>',
      comment.gsub('\\n', '<br />'),
      '</body></html>',
    ]
    pieces.map { |piece| convert_string(piece, true, -1) }.join
  end

  def create_item(candidate)
    hyoki = convert_string(candidate['hyoki'], true, 100)
    comment = convert_string(candidate['comment'], false, 1024)
    comment_xhtml = convert_string(candidate['comment_xhtml'], false, 1024 * 10)
    alternative_type = convert_string(candidate['alternative_type'], true, -1)
    alternative_alias = convert_string(candidate['alternative_alias'], true, 100)
    info = convert_string(candidate['info'], true, 64)
    alternative = convert_string(candidate['alternative'], alternative_alias.empty?, 512)

    # A cut URL would lead elsewhere: leave it out.
    raw_alternative = text_of(candidate['alternative'])
    if alternative_type == 'url_jump_string' && raw_alternative && raw_alternative.length > 512
      alternative = ''
    end
    return '' if hyoki.empty?

    item = +"\t<item type=\"script_candidate\">\n"
    item << "\t\t<title>" << hyoki << "</title>\n"
    if !comment_xhtml.empty?
      item << "\t\t<comment>" << comment_xhtml << "</comment>\n"
    elsif !comment.empty?
      item << "\t\t<comment>" << wrap_comment(hyoki, comment) << "</comment>\n"
    end
    if !alternative.empty? &&
       (alternative_type == 'definite_string' || alternative_type == 'url_jump_string')
      item << "\t\t<alternative type=\"" << alternative_type << "\">" << alternative <<
        "</alternative>\n"
    end
    item << "\t\t<alternative_alias>" << alternative_alias << "</alternative_alias>\n" unless alternative_alias.empty?
    item << "\t\t<info>" << info << "</info>\n" unless info.empty?
    item << "\t</item>\n"
  end

  def create_xml(result)
    xml = +"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n"
    candidates = result.is_a?(Hash) ? result['candidate'] : nil
    if candidates.is_a?(Array)
      candidates.first(100).each do |candidate|
        xml << create_item(candidate) if candidate.is_a?(Hash)
      end
    end
    xml << "</itemlist>\n"
  end

  def request_data(method_name)
    case method_name
    when 'run_process'
      finish('error : run_process() argument error.') unless [8, 9].include?(ARGV.length)
      request = {
        'composition_string' => text_argument(2),
        'reading_string' => text_argument(3),
      }
    when 'run_callback'
      finish('error : run_callback() argument error.') unless [8, 9].include?(ARGV.length)
      request = {
        'candidate_string' => text_argument(2),
        'composition_string' => text_argument(3),
      }
    else
      finish('error : run_preference() argument error.') unless ARGV.length == 3
      return { 'path' => text_argument(2) }
    end
    request['proxy_name'] = text_argument(4)
    request['proxy_port'] = port_argument(5)
    request['proxy_username'] = text_argument(6)
    request['proxy_password'] = text_argument(7)
    request['path'] = text_argument(8) if ARGV.length == 9
    request
  end
end

Vuro_plugin_bridge.finish('error : argument error.') if ARGV.length < 2
# The path as the bytes it arrived as: they name the file in whatever code page the
# system uses for file names. On Windows that is the ANSI code page, Ruby's locale
# encoding; a binary path would be read there as code page 1252.
plugin_file = Vuro_plugin_bridge.form_decode_bytes(ARGV[0])
plugin_file.force_encoding(Encoding.find('locale')) if File::ALT_SEPARATOR
method_name = Vuro_plugin_bridge.form_decode(ARGV[1])
unless Vuro_plugin_bridge::METHODS.include?(method_name)
  Vuro_plugin_bridge.finish('error : plugin method load error.')
end
Vuro_plugin_bridge.finish('syntax ok') if method_name == 'syntax_check'

unless Vuro_plugin_bridge.load_plugin(plugin_file)
  Vuro_plugin_bridge.finish('error : plugin module load error.')
end
include Vuro_plugin
entry_point = method(method_name)

request_data = Vuro_plugin_bridge.request_data(method_name)
result = entry_point.call(request_data)
Vuro_plugin_bridge.emit(Vuro_plugin_bridge.create_xml(result)) if method_name == 'run_process'
exit 0

# Test plug-in for the front end: the composition string picks the answer.
module Vuro_plugin
  def run_process(request)
    case request['composition_string']
    when 'two'
      { 'candidate' => [{ 'hyoki' => '一' }, { 'hyoki' => '二' }] }
    when 'links'
      # The viewer document keeps an address only when it starts with http.
      { 'candidate' => [
        { 'hyoki' => 'web', 'comment' => 'a<b', 'info' => 'i', 'alternative' => 'https://x/',
          'alternative_type' => 'url_jump_string', 'alternative_alias' => 'site' },
        { 'hyoki' => 'ftp', 'alternative' => 'ftp://x/', 'alternative_type' => 'url_jump_string' }
      ] }
    when 'zero'
      print "ab\0cd"
      { 'candidate' => [] }
    when 'lines'
      STDERR.print "a\r\nb\n"
      { 'candidate' => [] }
    when 'proxy'
      STDERR.print "#{request['proxy_name'].length}|#{request['proxy_port']}"
      { 'candidate' => [] }
    when 'slow'
      # Partial output, then (for a test that waits for it) a file saying the plug-in hangs.
      print 'before the hang'
      STDERR.print 'error before the hang'
      $stdout.flush
      $stderr.flush
      File.write(ENV['FRONT_END_HANGS'], '') if ENV['FRONT_END_HANGS']
      sleep 30
    when 'large'
      print 'o' * ((10 << 20) + 1)
      { 'candidate' => [] }
    when 'flood'
      STDERR.write('e' * (65 << 20))
      { 'candidate' => [] }
    else
      { 'candidate' => [{ 'hyoki' => request['composition_string'] }] }
    end
  end

  def run_preference(request)
    print "preference #{request['path']}"
  end

  def run_callback(request)
    print "committed #{request['candidate_string']} for #{request['composition_string']}"
    STDERR.print 'callback note'
  end
end

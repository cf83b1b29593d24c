# Test plug-in: answers with candidates that carry the request's fields back (see echo.pl
# and echo.py, which answer alike).
module Vuro_plugin
  def print_request(request)
    request.keys.sort.each { |key| print "#{key}=#{request[key]}\n" }
  end

  # 100 candidates with every field, for the benchmark.
  def hundred
    (0...100).map do |index|
      { 'hyoki' => "候補#{index}", 'comment_xhtml' => "説明 <b>#{index}</b> & more",
        'alternative_type' => 'definite_string', 'alternative' => "確定#{index}",
        'alternative_alias' => "別名#{index}", 'info' => 'info' }
    end
  end

  def run_process(request)
    case request['composition_string']
    when 'sleep' then sleep 120
    when 'noise' then print 'noise before the document'
    when 'hundred' then return { 'candidate' => hundred }
    end
    path = request['path']
    { 'candidate' => [
      { 'hyoki' => request['composition_string'], 'comment_xhtml' => request['reading_string'],
        'alternative_type' => 'definite_string', 'alternative' => request['composition_string'],
        'alternative_alias' => request['proxy_username'], 'info' => request['proxy_port'].to_s },
      { 'hyoki' => 'address', 'comment_xhtml' => request['proxy_name'],
        'alternative_type' => 'url_jump_string', 'alternative' => 'ftp://example.com/' },
      { 'hyoki' => 'password', 'comment_xhtml' => request['proxy_password'],
        'alternative_type' => 'url_jump_string', 'alternative' => 'https://example.com/',
        'alternative_alias' => 'web' },
      path ? { 'hyoki' => 'path', 'comment_xhtml' => path } : { 'hyoki' => 'no path' },
    ] }
  end

  def run_callback(request)
    print_request(request)
  end

  def run_preference(request)
    print_request(request)
  end
end
